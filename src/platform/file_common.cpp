// The parts of the file services that are the same on every system.
#include "base/errors.h"
#include "platform/file.h"
#include "platform/system_files.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tavori::platform {

InputFile::InputFile(std::intptr_t handle, std::string path)
    : handle_(handle), path_(std::move(path)) {}

// Only regular files are read: what the path names is asked first, so that a FIFO is never
// opened in a way that waits for a writer.
std::unique_ptr<InputFile> InputFile::OpenIfExists(const std::string& path) {
    const FileKind kind = KindOf(path);
    if (kind == FileKind::kMissing) return nullptr;
    if (kind != FileKind::kRegular) throw IoError(NotRegularFileMessage(path, kind));
    std::intptr_t handle = 0;
    if (!system_files::OpenForReading(path, handle)) return nullptr;
    return std::unique_ptr<InputFile>(new InputFile(handle, path));
}

// The size is asked of the system only once the reading reaches the size last seen.
bool InputFile::AtEnd() const {
    if (eof_) return true;
    if (position_ < knownSize_) return false;
    knownSize_ = Size();
    return position_ >= knownSize_;
}

std::size_t InputFile::Read(char* dest, std::size_t n) {
    if (n == 0) return 0;
    if (!started_) {
        started_ = true;
        const std::uint64_t size = Size();
        // A short file gets a block of about its size: an export opens one for every
        // attachment, and a block of fresh memory costs the system a page fault every 4 KB.
        // Should the file have grown meanwhile, the rest is read a block at a time.
        constexpr std::uint64_t kSmallest = 4096;
        aheadSize_ =
            static_cast<std::size_t>(std::clamp<std::uint64_t>(size + 1, kSmallest, kBlockBytes));
    }
    if (aheadPos_ == aheadEnd_) {
        if (n >= kBlockBytes) {  // a big read gains nothing from a copy
            const std::size_t got = ReadChecked(dest, n);
            if (got == 0) eof_ = true;
            position_ += got;
            return got;
        }
        if (!ahead_) ahead_.reset(new char[aheadSize_]);  // no zeros: the bytes are read over
        aheadPos_ = 0;
        aheadEnd_ = ReadChecked(ahead_.get(), aheadSize_);
        if (aheadEnd_ == 0) {
            eof_ = true;
            return 0;
        }
    }
    const std::size_t take = std::min(n, aheadEnd_ - aheadPos_);
    std::memcpy(dest, ahead_.get() + aheadPos_, take);
    aheadPos_ += take;
    position_ += take;
    return take;
}

void InputFile::Expect(const FileState& state, std::string changed) {
    expected_ = state;
    changed_ = std::move(changed);
    if (State() != state) throw IoError(PathError(path_, changed_));
}

// The state is asked after the read: bytes read before a change are those of the file as it
// was, and a change made before or while they were read shows in the state. The identity was
// compared by Expect: an open file stays the file it is (one put in its place under its name
// is not what this handle reads), and asking for it costs Windows a query of the volume.
std::size_t InputFile::ReadChecked(char* dest, std::size_t n) {
    const std::size_t got = ReadRaw(dest, n);
    if (expected_) {
        std::uint64_t size = 0;
        std::int64_t written = 0;
        SizeAndWritten(size, written);
        if (size != expected_->size || written != expected_->written)
            throw IoError(PathError(path_, changed_));
    }
    return got;
}

namespace {
FileFaultHook& FaultHook() {
    static FileFaultHook hook;
    return hook;
}
}  // namespace

void SetFileFaultHook(FileFaultHook hook) { FaultHook() = std::move(hook); }

bool FileFaultInjected(FileOp op, const std::string& path, std::size_t bytes) {
    const FileFaultHook& hook = FaultHook();
    return hook && hook(op, path, bytes);
}

bool OutputFile::PutChecked(std::string_view bytes, FileOp op, std::string& reason) {
    if (FileFaultInjected(op, path_, bytes.size())) {
        // A full disk takes part of a write before it refuses the rest.
        std::string ignored;
        Put(bytes.substr(0, bytes.size() / 2), ignored);
        reason = kInjectedFaultReason;
        return false;
    }
    return Put(bytes, reason);
}

bool OutputFile::CloseChecked(std::string& reason) {
    const bool faulted = FileFaultInjected(FileOp::kClose, path_);
    // The handle is released either way, as the systems do when a close fails.
    if (!CloseHandleNow(reason)) return false;
    if (!faulted) return true;
    reason = kInjectedFaultReason;
    return false;
}

OutputFile::OutputFile(std::intptr_t handle, std::string path)
    : handle_(handle), path_(std::move(path)) {}

std::unique_ptr<OutputFile> OutputFile::Open(const std::string& path) {
    const FileKind kind = KindOf(path);
    if (kind == FileKind::kFolder || kind == FileKind::kOther)
        throw IoError(NotRegularFileMessage(path, kind));
    if (FileFaultInjected(FileOp::kCreate, path))
        throw IoError(PathError(path, "を作成できません", kInjectedFaultReason));
    bool made = false;
    const std::intptr_t handle = system_files::OpenForWriting(path, made);
    std::unique_ptr<OutputFile> file(new OutputFile(handle, path));
    file->created_ = made && kind == FileKind::kMissing;
    return file;
}

std::unique_ptr<OutputFile> OutputFile::Create(const std::string& path) {
    auto file = Open(path);
    file->Empty();
    return file;
}

void OutputFile::Empty() {
    length_ = 0;
    if (!CutBack()) {
        Discard();
        throw IoError(PathError(path_, "を空にできません"));
    }
}

void OutputFile::Discard() {
    if (!open_) return;
    open_ = false;
    block_.clear();
    ends_.clear();
    if (created_) {
        CloseAndRemoveCreated();
        return;
    }
    std::string ignored;
    CloseHandleNow(ignored);
}

OutputFile::~OutputFile() {
    if (!open_) return;
    try {
        HandOver(FileOp::kFlush);
    } catch (...) {  // the file is closed and holds whole records
        return;
    }
    std::string ignored;
    CloseChecked(ignored);
}

void OutputFile::Write(std::string_view record) {
    if (!open_) throw IoError(PathError(path_, "は開かれていません"));
    HandOver();
    PutRecord(record);
}

void OutputFile::Gather(std::string_view record) {
    if (!open_) throw IoError(PathError(path_, "は開かれていません"));
    if (block_.size() + record.size() > kBlockBytes) HandOver();
    if (record.size() >= kBlockBytes) {
        PutRecord(record);
        return;
    }
    if (block_.capacity() < kBlockBytes) block_.reserve(kBlockBytes);
    block_.append(record);
    ends_.push_back(block_.size());
}

void OutputFile::Gather(std::initializer_list<std::string_view> pieces) {
    std::size_t size = 0;
    for (const std::string_view piece : pieces) size += piece.size();
    if (size >= kBlockBytes) {  // written on its own, piece by piece where they lie
        if (!open_) throw IoError(PathError(path_, "は開かれていません"));
        HandOver();
        std::string reason;
        for (const std::string_view piece : pieces)  // a failed piece takes the record back
            if (!piece.empty() && !PutChecked(piece, FileOp::kWrite, reason))
                FailWrite(std::move(reason));
        length_ += size;
        ++records_;
        return;
    }
    if (!open_) throw IoError(PathError(path_, "は開かれていません"));
    if (block_.size() + size > kBlockBytes) HandOver();
    if (block_.capacity() < kBlockBytes) block_.reserve(kBlockBytes);
    for (const std::string_view piece : pieces) block_.append(piece);
    ends_.push_back(block_.size());
}

void OutputFile::Flush() {
    if (open_) HandOver(FileOp::kFlush);
}

void OutputFile::Close() {
    if (!open_) return;
    HandOver(FileOp::kFlush);
    open_ = false;
    std::string reason;
    if (!CloseChecked(reason)) throw IoError(PathError(path_, "を閉じられません", reason));
}

void OutputFile::PutRecord(std::string_view record, FileOp op) {
    std::string reason;
    if (!PutChecked(record, op, reason)) FailWrite(std::move(reason));
    length_ += record.size();
    ++records_;
}

void OutputFile::HandOver(FileOp op) {
    if (block_.empty()) return;
    std::string reason;
    if (PutChecked(block_, op, reason)) {
        length_ += block_.size();
        records_ += ends_.size();
    } else {
        // Keep every record of the block that still fits, as writing them one at a time would.
        if (!CutBack()) FailWrite(std::move(reason));
        std::size_t from = 0;
        for (const std::size_t end : ends_) {
            PutRecord(std::string_view(block_).substr(from, end - from), op);
            from = end;
        }
    }
    block_.clear();
    ends_.clear();
}

void OutputFile::FailWrite(std::string reason) {
    // Take the part of the failed record back, so the file ends with a whole record.
    const bool cut = CutBack();
    open_ = false;
    block_.clear();
    ends_.clear();
    std::string ignored;
    CloseChecked(ignored);
    if (!cut) reason += " (書きかけのレコードを取り除けませんでした)";
    throw IoError(PathError(path_, "に書き込めません", reason));
}

std::string NotRegularFileMessage(const std::string& path, FileKind kind) {
    return PathError(path, kind == FileKind::kFolder
                               ? "は通常のファイルではありません (フォルダーです)"
                               : "は通常のファイルではありません (デバイスまたはパイプです)");
}

bool SameFile(const std::string& a, const std::string& b) {
    const auto idA = IdentityOf(a);
    const auto idB = IdentityOf(b);
    if (idA && idB) return *idA == *idB;
    if (idA || idB) return false;  // one exists, the other does not
    return SameFullPath(a, b);
}

}  // namespace tavori::platform
