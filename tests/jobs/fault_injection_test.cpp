// Every job against failing output files: each create, write, flush and close of a run made
// to fail in turn, and real faults of the file system (read-only, missing and full folders).
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "base/errors.h"
#include "jobs/dedupe_job.h"
#include "jobs/export_job.h"
#include "jobs/import_job.h"
#include "platform/file.h"
#include "recording_host.h"
#include "test_support.h"

namespace tavori {
namespace {

namespace fs = std::filesystem;
using platform::FileOp;
using test::ReadFile;
using test::ScratchDir;
using test::WriteFile;

constexpr std::array<FileOp, 4> kOps{FileOp::kCreate, FileOp::kWrite, FileOp::kFlush,
                                     FileOp::kClose};
constexpr std::array<const char*, 4> kOpNames{"create", "write", "flush", "close"};

using QuietHost = test::RecordingHost;  // nothing it records is looked at

// Counts the output calls of a run and fails the n-th call of one kind and every later one of
// that kind, as a disk that is full stays full. Remembers the bytes each file took.
class FaultPlan {
  public:
    explicit FaultPlan(FileOp op = FileOp::kCreate, int failAt = 0) : op_(op), failAt_(failAt) {
        platform::SetFileFaultHook([this](FileOp op, const std::string& path, std::size_t bytes) {
            const int n = ++counts[static_cast<std::size_t>(op)];
            const bool fail = failAt_ > 0 && op == op_ && n >= failAt_;
            if (!fail) taken[path] += bytes;
            return fail;
        });
    }
    ~FaultPlan() { platform::SetFileFaultHook(nullptr); }
    std::array<int, 4> counts{};
    std::map<std::string, std::uint64_t> taken;

  private:
    FileOp op_;
    int failAt_;
};

std::string ReadIfExists(const std::string& path) {
    return fs::exists(path) ? ReadFile(path) : std::string();
}

std::set<std::string> FilesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir))
        names.insert(entry.path().string());
    return names;
}

// The files, pipes and other handles the process holds.
int OpenHandles() {
#ifdef _WIN32
    DWORD n = 0;
    GetProcessHandleCount(GetCurrentProcess(), &n);
    return static_cast<int>(n);
#else
    int n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
#endif
}

// A prefix of the fault-free output that ends where one of its records ends.
bool IsWholeRecordPrefix(const std::string& out, const std::string& good,
                         const std::string& terminator) {
    if (good.compare(0, out.size(), out) != 0) return false;
    if (out.empty() || out.size() == good.size()) return true;
    return out.size() >= terminator.size() &&
           out.compare(out.size() - terminator.size(), terminator.size(), terminator) == 0;
}

// One job over inputs in a scratch folder, writing outputs into outDir.
struct JobCase {
    const char* name;
    std::string terminator;  // how each record of its outputs ends
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    std::function<void()> run;  // a new job object, Run
};

std::string Mail(int i, int day, std::size_t bodyBytes, const std::string& extra = "") {
    std::string body(bodyBytes, static_cast<char>('a' + i % 26));
    std::string text = "Subject: mail " + std::to_string(i) + "\r\n";
    if (day > 0) text += "Date: " + std::to_string(day) + " Mar 1999 10:00:00 +0900\r\n";
    return text + extra + "\r\n" + body + "\r\n.\r\n";
}

JobCase ExportCase(const ScratchDir& in, const std::string& outDir, QuietHost& host) {
    WriteFile(in.File("att.eml"), "Subject: attached\r\n\r\nattached body\r\n");
    std::string a, b;
    for (int i = 0; i < 200; ++i)
        a += Mail(i, 0, 1000, i % 40 == 0 ? "X-Becky-Attachment-File: att.eml\r\n" : "");
    for (int i = 0; i < 80; ++i) b += Mail(i, 0, 600);
    WriteFile(in.File("a.mbx"), a);
    WriteFile(in.File("b.mbx"), b);
    JobCase c{"export",
              "\r\n#E\r\n\r\n",
              {in.File("a.mbx"), in.File("b.mbx"), in.File("att.eml")},
              {outDir + "out.REN"},
              {}};
    c.run = [&in, &host, out = c.outputs[0]] {
        ExportJob job(out, {{in.File("a.mbx"), in.Path()}, {in.File("b.mbx"), in.Path()}},
                      RecordOptions{}, host);
        job.Run();
    };
    return c;
}

JobCase CleanupCase(const ScratchDir& in, const std::string& outDir, QuietHost& host) {
    std::string a, b;
    for (int i = 0; i < 150; ++i) a += Mail(i, 1 + i % 28, 900);
    for (int i = 0; i < 150; i += 2) b += Mail(i, 1 + i % 28, 900);  // every second one again
    WriteFile(in.File("a.mbx"), a);
    WriteFile(in.File("b.mbx"), b);
    JobCase c{"cleanup",
              "\r\n.\r\n",
              {in.File("a.mbx"), in.File("b.mbx")},
              {outDir + "unique.mbx", outDir + "dup.mbx"},
              {}};
    c.run = [&in, &host, outs = c.outputs] {
        DedupeJob job({in.File("a.mbx"), in.File("b.mbx")}, {outs[0], outs[1]}, host);
        job.Run();
    };
    return c;
}

JobCase ImportCase(const ScratchDir& in, const std::string& outDir, QuietHost& host) {
    JobCase c{"import", "\r\n.\r\n", {}, {outDir + "imported.mbx"}, {}};
    std::vector<ImportFile> files;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "m" + std::to_string(i) + ".txt";
        WriteFile(in.File(name), "Subject: file " + std::to_string(i) + "\r\n\r\n" +
                                     std::string(8000, 'x') + "\r\n");
        c.inputs.push_back(in.File(name));
        files.push_back({in.File(name), name});
    }
    c.run = [files, &host, out = c.outputs[0]] {
        ImportOptions options;
        options.targetPath = out;
        ImportJob job(files, options, host);
        job.Run();
    };
    return c;
}

using CaseMaker = JobCase (*)(const ScratchDir&, const std::string&, QuietHost&);
constexpr std::array<CaseMaker, 3> kCases{ExportCase, CleanupCase, ImportCase};

// Runs the job, expecting an IoError that says predicate; returns how many errors surfaced.
int ErrorsOf(const JobCase& c, const std::string& predicate, std::string& message) {
    int errors = 0;
    try {
        c.run();
    } catch (const IoError& e) {
        ++errors;
        message = e.what();
        EXPECT_NE(message.find(predicate), std::string::npos) << message;
    }
    return errors;
}

TEST(FaultInjection, EveryFailingOutputCallOfEveryJobKeepsWholeRecordsAndClosesItsFiles) {
    const std::array<const char*, 4> predicates{"を作成できません", "に書き込めません",
                                                "に書き込めません", "を閉じられません"};
    for (CaseMaker make : kCases) {
        ScratchDir in, out;
        QuietHost host;
        const JobCase c = make(in, out.Path(), host);
        std::map<std::string, std::string> inputs, good;
        for (const auto& p : c.inputs) inputs[p] = ReadFile(p);

        std::array<int, 4> counts{};
        {
            FaultPlan plan;
            c.run();
            counts = plan.counts;
        }
        for (const auto& p : c.outputs) good[p] = ReadFile(p);
        std::cout << "[ matrix   ] " << c.name;
        for (std::size_t k = 0; k < kOps.size(); ++k)
            std::cout << "  " << kOpNames[k] << ": " << counts[k];
        std::cout << "\n";
        EXPECT_GE(counts[1], 3) << c.name << ": too small to fill several blocks";

        for (std::size_t k = 0; k < kOps.size(); ++k) {
            for (int n = 1; n <= counts[k]; ++n) {
                SCOPED_TRACE(std::string(c.name) + " " + kOpNames[k] + " #" + std::to_string(n));
                for (const auto& p : c.outputs) fs::remove(p);
                const int handles = OpenHandles();
                std::string message;
                FaultPlan plan(kOps[k], n);
                EXPECT_EQ(ErrorsOf(c, predicates[k], message), 1);
                EXPECT_EQ(OpenHandles(), handles) << "a file was left open";
                for (const auto& p : c.outputs) {
                    const std::string written = ReadIfExists(p);
                    EXPECT_TRUE(IsWholeRecordPrefix(written, good[p], c.terminator)) << p;
                    // Every record handed over before the fault is there, nothing after it.
                    EXPECT_EQ(written.size(), plan.taken[p]) << p;
                }
                for (const auto& [p, bytes] : inputs) EXPECT_EQ(ReadFile(p), bytes) << p;
                for (const auto& f : FilesIn(out.Path()))
                    EXPECT_TRUE(good.count(f)) << "unexpected file " << f;
            }
        }
    }
}

TEST(RealFaults, AMissingOutputFolderOrAMailboxRemovedAfterListingIsRefused) {
    for (CaseMaker make : kCases) {
        ScratchDir in, out;
        QuietHost host;
        const std::string missing = out.File("missing") + platform::FolderSeparator();
        const JobCase missingCase = make(in, missing, host);
        SCOPED_TRACE(missingCase.name);
        std::map<std::string, std::string> inputs;
        for (const auto& p : missingCase.inputs) inputs[p] = ReadFile(p);
        std::string message;
        EXPECT_EQ(ErrorsOf(missingCase, "を作成できません", message), 1);
        EXPECT_FALSE(fs::exists(missing));
        for (const auto& [p, bytes] : inputs) EXPECT_EQ(ReadFile(p), bytes) << p;

        // Removed after the list was made: refused before the earlier output is emptied.
        const JobCase c = make(in, out.Path(), host);
        for (const auto& p : c.outputs) WriteFile(p, "earlier output");
        fs::remove(c.inputs.front());
        EXPECT_EQ(ErrorsOf(c, "はありません", message), 1);
        for (const auto& p : c.outputs) EXPECT_EQ(ReadFile(p), "earlier output");
    }
}

#ifndef _WIN32

// Runs body in a child process as the user nobody (root passes over file permissions);
// true when body returned true there.
bool AsUnprivilegedUser(const std::function<bool()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool ok = ::setgid(65534) == 0 && ::setuid(65534) == 0 && body();
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(RealFaults, AReadOnlyOutputFolderIsRefusedWithTheInputsUntouched) {
    for (CaseMaker make : kCases) {
        ScratchDir in, out;
        QuietHost host;
        const std::string readOnly = out.File("ro") + "/";
        fs::create_directory(out.File("ro"));
        ::chmod(out.Path().c_str(), 0755);
        ::chmod(in.Path().c_str(), 0755);
        ::chmod(readOnly.c_str(), 0555);
        const JobCase c = make(in, readOnly, host);
        SCOPED_TRACE(c.name);
        std::map<std::string, std::string> inputs;
        for (const auto& p : c.inputs) inputs[p] = ReadFile(p);
        const auto refused = [&] {
            std::string text;
            try {
                c.run();
            } catch (const IoError& e) {
                text = e.what();
            }
            return text.find("を作成できません") != std::string::npos && fs::is_empty(readOnly);
        };
        EXPECT_TRUE(::geteuid() == 0 ? AsUnprivilegedUser(refused) : refused());
        for (const auto& [p, bytes] : inputs) EXPECT_EQ(ReadFile(p), bytes) << p;
    }
}

TEST(RealFaults, AFullDiskKeepsWholeRecordsAndReportsOneError) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root; full disk not tried";
    for (CaseMaker make : kCases) {
        ScratchDir in, out, full;
        QuietHost host;
        const JobCase reference = make(in, out.Path(), host);
        reference.run();
        if (::mount("tmpfs", full.Path().c_str(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "cannot mount a tmpfs here; full disk not tried";
        {
            const JobCase c = make(in, full.Path(), host);
            SCOPED_TRACE(c.name);
            const int handles = OpenHandles();
            std::string message;
            EXPECT_EQ(ErrorsOf(c, "に書き込めません", message), 1);
            EXPECT_EQ(OpenHandles(), handles);
            std::uint64_t total = 0;
            for (std::size_t o = 0; o < c.outputs.size(); ++o) {
                const std::string written = ReadIfExists(c.outputs[o]);
                total += written.size();
                EXPECT_TRUE(
                    IsWholeRecordPrefix(written, ReadFile(reference.outputs[o]), c.terminator))
                    << c.outputs[o];
            }
            EXPECT_GT(total, 0u) << "the disk took nothing";
        }
        ::umount(full.Path().c_str());
    }
}

#endif

}  // namespace
}  // namespace tavori
