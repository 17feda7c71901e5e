#include "mailstore/mailbox.h"

#include "base/errors.h"

namespace tavori {

TMailBox::TMailBox() = default;

TMailBox::~TMailBox() = default;

void TMailBox::Open(const std::string& path, int mode, ReadPlan plan) {
    Close();
    fileName_ = path;
    if (mode == 1) {
        if (platform::IsRegularFile(path)) emptied_ = platform::OutputFile::Create(path);
    } else if (auto file = platform::InputFile::OpenIfExists(path)) {
        reader_ = std::make_unique<MessageReader>(std::move(file), std::move(plan));
    }
}

void TMailBox::Open(std::unique_ptr<platform::InputFile> file, ReadPlan plan) {
    Close();
    fileName_ = file->Path();
    reader_ = std::make_unique<MessageReader>(std::move(file), std::move(plan));
}

void TMailBox::Close() {
    reader_.reset();
    if (emptied_) {
        auto closing = std::move(emptied_);
        closing->Close();
    }
}

void TMailBox::RequireOpen() const {
    if (reader_) return;
    // Open leaves the object closed only when the file does not exist (anything else that is
    // no regular file is refused there), so say so when that is still the case.
    if (!fileName_.empty() && platform::KindOf(fileName_) == platform::FileKind::kMissing)
        throw IoError(PathError(fileName_, "はありません"));
    throw IoError(PathError(fileName_, "は開かれていません"));
}

platform::FileState TMailBox::GetFileState() const {
    RequireOpen();
    return reader_->FileState();
}

void TMailBox::ExpectFileState(const platform::FileState& state, std::string changed) {
    RequireOpen();
    reader_->Expect(state, std::move(changed));
}

bool TMailBox::AtEnd() const { return reader_ && reader_->AtEnd(); }

std::uint64_t TMailBox::GetFileSize() const {
    RequireOpen();
    return reader_->FileSize();
}

bool TMailBox::ReadMessage() {
    RequireOpen();
    return reader_->Read(message_);
}

}  // namespace tavori
