#include "jobs/job_files.h"

#include "platform/errors.h"
#include "platform/file.h"

namespace tavori {

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
            if (platform::SameFile(outputs[o], input))
                throw SameFileError(
                    "出力ファイル \"" + outputs[o] + "\" は入力のメールボックス ファイル \"" +
                    input + "\" と同じファイルです。入力を上書きしないよう、処理を中止しました");
        for (std::size_t other = o + 1; other < outputs.size(); ++other)
            if (platform::SameFile(outputs[o], outputs[other]))
                throw SameFileError("出力ファイル \"" + outputs[o] + "\" と \"" + outputs[other] +
                                    "\" は同じファイルです");
    }
}

[[noreturn]] void RethrowForMessage(const Error& e, const std::string& path, int number,
                                    const char* predicate) {
    const std::string message = "メールボックス \"" + path + "\" の " + std::to_string(number) +
                                " 通目" + predicate + ": " + e.what();
    if (dynamic_cast<const ConvertError*>(&e)) throw ConvertError(message);
    throw IoError(message);
}

}  // namespace tavori
