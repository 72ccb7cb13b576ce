#include "paperbuilder/PaperFiles.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

TEST(PaperFileName, HostileTitlesBecomeNamesInsideTheFolder) {
    const struct {
        QString title;
        QString name;
    } cases[] = {
        {u"安全/知识"_qs, u"安全_知识.mqe"_qs},
        {u"../../etc/passwd"_qs, u"_etc_passwd.mqe"_qs},
        {u"..\\..\\Windows\\win.ini"_qs, u"_Windows_win.ini.mqe"_qs},
        {u"a<b>c:d\"e|f?g*h"_qs, u"a_b_c_d_e_f_g_h.mqe"_qs},
        {u"行1\r\n行2\t"_qs, u"行1_行2.mqe"_qs},
        {u"\x7f删除\x9b"_qs, u"_删除_.mqe"_qs},
        {u".hidden"_qs, u"_hidden.mqe"_qs},
        {u"报告..."_qs, u"报告_.mqe"_qs},
        {u"报告. . "_qs, u"报告.mqe"_qs},
        {u"con"_qs, u"_con.mqe"_qs},
        {u"LPT1.考试"_qs, u"_LPT1.考试.mqe"_qs},
        {u"COM10"_qs, u"COM10.mqe"_qs},
        {u"..."_qs, u"试卷.mqe"_qs},
        {u"/\\:*?"_qs, u"试卷.mqe"_qs},
        {u" / "_qs, u"试卷.mqe"_qs},
        {QString(), u"试卷.mqe"_qs},
        // 251 bytes are left beside ".mqe"; each ideograph takes 3.
        {QString(200, u'题'), QString(251 / 3, u'题') + u".mqe"_qs},
    };
    const QDir folder(u"/srv/exam/Exam File"_qs);
    for (const auto& c : cases) {
        const QString name = paperbuilder::PaperFileName(c.title);
        EXPECT_EQ(name, c.name) << c.title.toStdString();
        EXPECT_EQ(QFileInfo(folder.filePath(name)).absolutePath(), folder.absolutePath());
    }
}

} // namespace
