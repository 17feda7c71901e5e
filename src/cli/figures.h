#pragma once
// The tool's texts for the jobs' figures: the counters on the progress line and the lines
// that end a run on standard output.
#include <cstdint>
#include <string>

#include "cli/output.h"
#include "jobs/job_host.h"

namespace tavori::cli {

// "件数: 3 / 10 添付: 1" for the export, "件数: 12" for the cleanup.
std::string CountersText(const JobFigures& figures);

// "件数: 10 / 添付: 1": the records of a whole export.
void PrintExportFigures(Output& out, int messages, int attachments);

// The cleanup's totals ("全件数: ... 件", an empty line, "出力件数: ...") when they are known,
// then what came of it: the repeated pairs, that nothing repeats, or the stop.
// The decoding mode's count of characters Shift-JIS lacks ("〓" in the records).
void PrintUnmapped(Output& out, std::uint64_t count);
void PrintDedupeFigures(Output& out, const DedupeFigures& figures);

// "取込: 2 件 / 形式が間違っているファイル: 1 件".
void PrintImportFigures(Output& out, int mails, int notMails);

}  // namespace tavori::cli
