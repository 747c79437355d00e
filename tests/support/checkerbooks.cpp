#include "checkerbooks.h"

#include "books.h"
#include "report.h"

std::string trapBook()
{
    return BG_LINE
           + page("room_name:Start;\ntext_main:Two ways part here.;\nbut1_text:left;\nbut1_goto:2;\n"
                  "but2_text:right;\nbut2_goto:3;\n")
           + page("room_name:Hall;\nbut1_text:on;\nbut1_goto:6;\n")
           + page("room_name:Pit;\nbut1_text:down;\nbut1_goto:4;\n")
           + page("room_name:Bottom;\nbut1_text:up;\nbut1_goto:3;\n")
           + page("room_name:Secret;\nbut1_text:vanish;\nbut1_goto:9;\nbut2_text:stay;\nbut2_goto:5;\n")
           + page("room_name:Finale;\ntext_main:Всё. The end;\nbut1_text:close;\n");
}

std::vector<std::string> reportLines(const std::vector<Finding>& findings)
{
    std::vector<std::string> lines;
    for (const Finding& finding : findings)
        lines.push_back(formatFinding("pages.dat", finding));
    return lines;
}
