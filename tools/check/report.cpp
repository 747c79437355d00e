#include "report.h"

#include "init.h"
#include "text/utf8.h"

std::string formatFinding(const std::string& file, const Finding& finding)
{
    std::string text = file;
    if (finding.line > 0)
        text += ":" + std::to_string(finding.line);
    text += finding.severity == Severity::Error     ? ": error: "
            : finding.severity == Severity::Warning ? ": warning: "
                                                    : ": note: ";
    return escapeControls(text + finding.message);
}

int countOf(const std::vector<Finding>& findings, Severity severity)
{
    int count = 0;
    for (const Finding& finding : findings)
        count += finding.severity == severity ? 1 : 0;
    return count;
}

std::string counted(long long count, const std::string& noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

std::string summaryLine(const std::vector<Finding>& findings)
{
    return counted(countOf(findings, Severity::Error), "error") + ", "
           + counted(countOf(findings, Severity::Warning), "warning");
}

std::string bookRelative(const std::string& path)
{
    const std::string folder = std::string(book) + "/";
    if (path.compare(0, folder.size(), folder) == 0)
        return path.substr(folder.size());
    return path;
}
