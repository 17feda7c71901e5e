#include "jobs/dedupe_job.h"

#include <memory>
#include <utility>

#include "base/errors.h"
#include "base/paths.h"
#include "jobs/job_files.h"
#include "mailstore/mailbox.h"
#include "platform/file.h"

namespace tavori {
namespace {

constexpr const char* kScanning = "メールボックスをスキャン中...";
constexpr const char* kCopying = "重複メールを整理中です...";
// The copy pass relies on reading the very messages the scan read.
constexpr const char* kChangedSinceScan = "はスキャンの後で変更されました";
constexpr const char* kChangedInScan = "はスキャン中に変更されました";

// The mailbox file is closed on every way out.
struct Closer {
    TMailBox& box;
    ~Closer() {
        try {
            box.Close();
        } catch (...) {
        }
    }
};

// Opens path and returns its size; a mailbox gone since the job began is an error, not an
// empty mailbox. Only the passes that write messages need their bodies.
std::uint64_t OpenMailbox(TMailBox& box, const std::string& path, bool bodies) {
    box.Open(path, 0, {.body = bodies, .fields = {{"Subject:", "Message-Id:", "Date:"}, {}}});
    return box.GetFileSize();
}

// Opens path for a pass after the scan: it must still be the file the scan read.
void ReopenMailbox(TMailBox& box, const std::string& path, bool bodies,
                   const platform::FileState& scanned) {
    OpenMailbox(box, path, bodies);
    box.ExpectFileState(scanned, kChangedSinceScan);
}

// The current message as mailbox text, gathered into file: GetMessage's text, and for a
// message without header lines its body after an empty header, so that it reads back as
// itself instead of being lost.
void GatherMessage(const TMailBox& box, platform::OutputFile& file) {
    file.Gather({box.Header(), "\r\n\r\n", box.Body(), TMailBox::kSeparator});
}

// Reads the next message; false when there is none. Counts it in number; an error names it.
bool ReadNext(TMailBox& box, const std::string& path, int& number) {
    try {
        if (!box.ReadMessage()) return false;
    } catch (const Error& e) {
        RethrowForMessage(e, path, number + 1, "を読めません");
    }
    ++number;
    return true;
}

// The date of the current message in the passes after the scan, which has read every Date
// already: one that is no date was accepted there as no date (or the job ended).
double ScannedDate(const TMailBox& box) {
    try {
        return box.GetDate();
    } catch (const DateError&) {
        return 0;
    }
}

// The position of the current message's pair among the repeated ones, or -1.
int PairOf(const TMailBox& box, const TMailList& keys) {
    return keys.IndexOfKey(box.FieldView("Subject:"), ScannedDate(box));
}

// The copy pass's rule for a copy of repeated pair k: true when it goes to the unique mailbox.
// A pair is kept once, by the first copy whose Message-Id is the remembered one.
bool KeepCopy(const TMailBox& box, const TMailList& keys, int k, std::vector<char>& written) {
    char& done = written[static_cast<std::size_t>(k)];
    if (done || box.FieldView("Message-Id:") != keys.At(k).Id) return false;
    done = 1;
    return true;
}

}  // namespace

DedupeJob::DedupeJob(std::vector<std::string> mailboxes, DedupeOptions options, JobHost& host)
    : mailboxes_(std::move(mailboxes)), options_(std::move(options)), host_(host) {}

void DedupeJob::ShowTotals(int output, Outcome outcome) {
    figures_.totals = true;
    figures_.total = messageCount_;
    figures_.output = output;
    figures_.outcome = outcome;
    host_.ShowFigures(figures_);
}

void DedupeJob::ShowCount(int count) {
    figures_.counted = count;
    host_.ShowFigures(figures_);
}

void DedupeJob::Scan() {
    CheckJobFiles(mailboxes_, {});
    ScanAll();
}

void DedupeJob::ScanAll() {
    keys_.Clear();
    scanned_.clear();
    messageCount_ = 0;
    outputCount_ = -1;
    aborted_ = false;
    undated_.Reset();
    figures_ = {};
    host_.ShowFigures(figures_);
    host_.SetProgressText(kScanning);
    TMailBox box;
    for (const std::string& path : mailboxes_) {
        if (!ScanMailbox(path, box)) {
            aborted_ = true;
            figures_.outcome = Outcome::kAborted;
            host_.ShowFigures(figures_);
            return;
        }
    }
    keys_.RemoveSingles();
    // Every repeated pair keeps exactly one copy, so the unique mailbox will hold the
    // messages read less the surplus copies (the repeats), not less the number of pairs.
    int surplus = 0;
    for (int k = 0; k < keys_.Count(); ++k) surplus += keys_.At(k).Repeats;
    figures_.repeatedPairs = keys_.Count();
    ShowTotals(messageCount_ - surplus,
               keys_.Count() == 0 ? Outcome::kNoRepeats : Outcome::kRepeats);
    if (keys_.Count() == 0) return;
    keys_.SortByKey();
}

bool DedupeJob::ScanMailbox(const std::string& path, TMailBox& box) {
    Closer closer{box};
    host_.SetProgressMaximum(OpenMailbox(box, path, false));
    scanned_.push_back(box.GetFileState());
    box.ExpectFileState(scanned_.back(), kChangedInScan);
    int number = 0;
    while (!box.AtEnd()) {
        if (!ReadNext(box, path, number)) continue;
        try {
            double date = 0;  // a mail without a date is never a copy
            try {
                date = box.GetDate();
            } catch (const DateError& e) {
                if (!undated_.Accept(path, number, e)) throw;
            }
            keys_.AddOrCount(box.FieldView("Subject:"), box.FieldView("Message-Id:"), date);
        } catch (const Error& e) {
            RethrowForMessage(e, path, number, "を読めません");
        }
        host_.SetProgressPosition(box.BytesRead());
        ShowCount(++messageCount_);
        host_.ProcessPendingEvents();
        if (host_.AbortRequested()) return false;
    }
    return true;
}

void DedupeJob::Run() {
    std::vector<std::string> outputs{options_.uniquePath};
    if (!options_.duplicatePath.empty()) outputs.push_back(options_.duplicatePath);
    CheckJobFiles(mailboxes_, outputs);
    ConfirmReplacing(outputs, host_);
    ScanAll();
    if (aborted_ || keys_.Count() == 0) return;

    auto files = CreateJobOutputs(mailboxes_, outputs);
    std::unique_ptr<platform::OutputFile> unique = std::move(files[0]);
    std::unique_ptr<platform::OutputFile> duplicate;
    if (files.size() > 1) duplicate = std::move(files[1]);
    outputCount_ = 0;
    try {
        CopyAll(*unique, duplicate.get());
        if (duplicate) duplicate->Close();
        unique->Close();
    } catch (...) {
        // The files keep the whole messages written before; the figures say how many.
        for (platform::OutputFile* file : {unique.get(), duplicate.get()}) {
            try {
                if (file) file->Flush();
            } catch (const Error&) {  // the error that ended the run is the one to report
            }
        }
        outputCount_ = static_cast<int>(unique->RecordsWritten());
        ShowTotals(outputCount_, figures_.outcome);
        throw;
    }
    if (aborted_) ShowTotals(outputCount_, Outcome::kAborted);
}

void DedupeJob::CopyAll(platform::OutputFile& unique, platform::OutputFile* duplicate) {
    step_ = 0;
    host_.SetProgressPosition(0);
    host_.SetProgressMaximum(static_cast<std::uint64_t>(messageCount_));
    host_.SetProgressText(kCopying);
    std::vector<char> written(static_cast<std::size_t>(keys_.Count()), 0);
    TMailBox box;
    for (std::size_t i = 0; i < mailboxes_.size(); ++i) {
        if (!CopyMailbox(i, box, unique, duplicate, written)) {
            aborted_ = true;
            return;
        }
    }
}

bool DedupeJob::CopyMailbox(std::size_t index, TMailBox& box, platform::OutputFile& unique,
                            platform::OutputFile* duplicate, std::vector<char>& written) {
    const std::string& path = mailboxes_[index];
    Closer closer{box};
    ReopenMailbox(box, path, true, scanned_[index]);
    int number = 0;
    while (!box.AtEnd()) {
        if (!ReadNext(box, path, number)) continue;
        bool keep = true;
        try {
            const int k = PairOf(box, keys_);
            if (k >= 0) keep = KeepCopy(box, keys_, k, written);
        } catch (const Error& e) {
            RethrowForMessage(e, path, number, "を読めません");
        }
        host_.SetProgressPosition(++step_);
        if (!keep) {
            if (duplicate) GatherMessage(box, *duplicate);
            continue;
        }
        GatherMessage(box, unique);
        ShowCount(++outputCount_);
        host_.ProcessPendingEvents();
        if (host_.AbortRequested()) {
            // Every message written so far is in the files before the stop is acted on.
            unique.Flush();
            if (duplicate) duplicate->Flush();
            return false;
        }
    }
    return true;
}

std::vector<DedupeJob::Pair> DedupeJob::Plan() const {
    std::vector<Pair> pairs;
    if (keys_.Count() == 0) return pairs;
    for (int k = 0; k < keys_.Count(); ++k)
        pairs.push_back({std::string(keys_.At(k).Key), keys_.At(k).Date, {}});
    std::vector<char> written(pairs.size(), 0);
    TMailBox box;
    for (std::size_t i = 0; i < mailboxes_.size(); ++i) {
        const std::string& path = mailboxes_[i];
        Closer closer{box};
        ReopenMailbox(box, path, false, scanned_[i]);
        int number = 0;
        while (!box.AtEnd()) {
            if (!ReadNext(box, path, number)) continue;
            int k = -1;
            bool kept = false;
            try {
                k = PairOf(box, keys_);
                if (k >= 0) kept = KeepCopy(box, keys_, k, written);
            } catch (const Error& e) {
                RethrowForMessage(e, path, number, "を読めません");
            }
            if (k >= 0) pairs[static_cast<std::size_t>(k)].copies.push_back({path, number, kept});
        }
    }
    return pairs;
}

}  // namespace tavori
