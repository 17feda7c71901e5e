#include "cli/figures.h"

#include <type_traits>

namespace tavori::cli {

std::string CountersText(const JobFigures& figures) {
    return std::visit(
        [](const auto& f) -> std::string {
            using Figures = std::decay_t<decltype(f)>;
            if constexpr (std::is_same_v<Figures, ExportFigures>) {
                return "件数: " + std::to_string(f.mailboxMessages) + " / " +
                       std::to_string(f.runMessages) +
                       " 添付: " + std::to_string(f.mailboxAttachments);
            } else {
                return "件数: " + std::to_string(f.counted);
            }
        },
        figures);
}

void PrintExportFigures(Output& out, int messages, int attachments) {
    out.Line("件数: " + std::to_string(messages) + " / 添付: " + std::to_string(attachments));
}

void PrintUnmapped(Output& out, std::uint64_t count) {
    out.Line("Shift-JIS にない文字: " + std::to_string(count) + " 個");
}

void PrintDedupeFigures(Output& out, const DedupeFigures& figures) {
    if (figures.totals) {
        out.Line("全件数: " + std::to_string(figures.total) + " 件");
        out.Line("");
        out.Line("出力件数: " + std::to_string(figures.output));
    }
    using Outcome = DedupeFigures::Outcome;
    switch (figures.outcome) {
        case Outcome::kNone:
            break;
        case Outcome::kRepeats:
            out.Line("重複件数: " + std::to_string(figures.repeatedPairs));
            break;
        case Outcome::kNoRepeats:
            out.Line("重複はありませんでした");
            out.Line("");
            out.Line("処理を取り止めます");
            break;
        case Outcome::kAborted:
            out.Line("処理を中断しました");
            break;
    }
}

void PrintImportFigures(Output& out, int mails, int notMails) {
    out.Line("取込: " + std::to_string(mails) +
             " 件 / 形式が間違っているファイル: " + std::to_string(notMails) + " 件");
}

}  // namespace tavori::cli
