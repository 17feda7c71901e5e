#include "jobs/job_files.h"

#include "base/errors.h"
#include "platform/file.h"

namespace tavori {

namespace {

SameFileError InputOverwritten(const std::string& output, const std::string& input) {
    return SameFileError("出力ファイル \"" + output + "\" は入力のメールボックス ファイル \"" +
                         input +
                         "\" と同じファイルです。入力を上書きしないよう、処理を中止しました");
}

SameFileError OutputsAreOne(const std::string& a, const std::string& b) {
    return SameFileError("出力ファイル \"" + a + "\" と \"" + b + "\" は同じファイルです");
}

// Discards what was opened (removing what was made) unless released.
struct OpenedOutputs {
    std::vector<std::unique_ptr<platform::OutputFile>> files;
    ~OpenedOutputs() {
        for (auto& file : files)
            if (file) file->Discard();
    }
};

}  // namespace

void CheckJobFiles(const std::vector<std::string>& inputs,
                   const std::vector<std::string>& outputs) {
    for (const std::string& input : inputs) {
        const platform::FileKind kind = platform::KindOf(input);
        if (kind == platform::FileKind::kMissing) throw IoError(PathError(input, "はありません"));
        if (kind != platform::FileKind::kRegular)
            throw IoError(platform::NotRegularFileMessage(input, kind));
    }
    for (std::size_t o = 0; o < outputs.size(); ++o) {
        for (const std::string& input : inputs)
            if (platform::SameFile(outputs[o], input)) throw InputOverwritten(outputs[o], input);
        for (std::size_t other = o + 1; other < outputs.size(); ++other)
            if (platform::SameFile(outputs[o], outputs[other]))
                throw OutputsAreOne(outputs[o], outputs[other]);
    }
}

void ConfirmReplacing(const std::vector<std::string>& outputs, JobHost& host) {
    for (const std::string& output : outputs) {
        if (platform::KindOf(output) != platform::FileKind::kRegular) continue;
        const auto file = platform::InputFile::OpenIfExists(output);
        if (!file || file->Size() == 0) continue;  // nothing in it to lose
        if (!host.ConfirmReplace(output))
            throw ReplaceDeclined(
                PathError(output, "にはメールが入っています。置き換えずに処理を終えました"));
    }
}

std::vector<std::unique_ptr<platform::OutputFile>> CreateJobOutputs(
    const std::vector<std::string>& inputs, const std::vector<std::string>& outputs) {
    std::vector<std::pair<platform::FileId, const std::string*>> inputIds;
    for (const std::string& input : inputs)
        if (const auto id = platform::IdentityOf(input)) inputIds.emplace_back(*id, &input);
    OpenedOutputs opened;
    std::vector<platform::FileId> ids;
    for (const std::string& output : outputs) {
        std::unique_ptr<platform::OutputFile> file;
        try {
            file = platform::OutputFile::Open(output);
        } catch (const IoError&) {
            // Windows refuses a second handle for writing to one file: say which it is.
            if (const auto id = platform::IdentityOf(output))
                for (std::size_t o = 0; o < ids.size(); ++o)
                    if (ids[o] == *id) throw OutputsAreOne(outputs[o], output);
            throw;
        }
        const platform::FileId id = file->Identity();
        opened.files.push_back(std::move(file));
        for (const auto& [inputId, input] : inputIds)
            if (inputId == id) throw InputOverwritten(output, *input);
        for (std::size_t o = 0; o < ids.size(); ++o)
            if (ids[o] == id) throw OutputsAreOne(outputs[o], output);
        ids.push_back(id);
    }
    for (auto& file : opened.files) file->Empty();
    return std::move(opened.files);
}

[[noreturn]] void RethrowForMessage(const Error& e, const std::string& path, int number,
                                    const char* predicate) {
    const std::string message = "メールボックス \"" + path + "\" の " + std::to_string(number) +
                                " 通目" + predicate + ": " + e.what();
    if (dynamic_cast<const ConvertError*>(&e)) throw ConvertError(message);
    throw IoError(message);
}

}  // namespace tavori
