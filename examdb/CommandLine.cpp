#include "examdb/CommandLine.h"

#include "common/ConnectionConfig.h"
#include "examdb/Check.h"
#include "examdb/Demo.h"
#include "examdb/Roster.h"
#include "examdb/Setup.h"
#include "examdb/Sittings.h"
#include "examdb/Units.h"
#include "examdb/Verify.h"
#include "platform/ConnectionString.h"

#include <QDir>
#include <QFile>
#include <QTextStream>
#include <iostream>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace examdb {
namespace {

const char* const HelpText = R"(用法 / Usage:
  examdb init [--config DBConifg.ini | 连接字符串] [--missing-only] [--print]
  examdb roles [--config DBConifg.ini | 连接字符串] [--desk-password-file 文件]
               [--admin-password-file 文件]
  examdb units import 文件.xlsx|文件.csv [--config DBConifg.ini | 连接字符串]
  examdb units export 文件.xlsx|文件.csv [--config DBConifg.ini | 连接字符串]
  examdb roster import 文件.xlsx|文件.csv [--replace] [--config DBConifg.ini | 连接字符串]
  examdb roster export 文件.xlsx|文件.csv [--config DBConifg.ini | 连接字符串]
  examdb sitting add --title 名称 --opens "yyyy-MM-dd HH:mm" --closes "yyyy-MM-dd HH:mm"
               [--pass-mark 分数] [--unit 乡镇/单位]... [--town 乡镇]... 试卷.mqe...
               [--config DBConifg.ini]
  examdb sitting list|close 编号|report 编号 文件|absentees 编号 文件 [--config DBConifg.ini]
  examdb check [--config DBConifg.ini]
  examdb verify [--config DBConifg.ini | 连接字符串]
  examdb demo [--papers 文件夹]
  examdb --help

数据库：--config 所给文件的 [DBConifg] 一节；不给时用程序旁的 DBConifg.ini。带密码的连接写在
  这样的文件里（只让用户组 examsuite 读取）：命令行上的连接字符串别的用户也看得到。
  The database: section [DBConifg] of the --config file, by default the DBConifg.ini beside the
  program. Keep a connection with a password in such a file, readable by the group examsuite
  only: other users can see a connection string given on the command line. SQLite and
  PostgreSQL, e.g. "Provider=PostgreSQL;Data Source=/var/run/postgresql;Initial Catalog=korvend".

init    建立考试系统的全部表（town、Fac、Score、Paper、Attempt、AttemptAnswer、Sitting、
        SittingPaper、SittingUnit、Roster、AttemptStart）；已有任何一张时拒绝，除非加
        --missing-only（只建缺少的表，上一版建立的数据库用它补建新表）。--print 输出
        SQL Server 的建表语句。
        Creates every table of the suite; refuses when any is there, unless --missing-only
        (create only the missing ones). --print prints the SQL Server DDL instead.
roles   在 PostgreSQL 上建立考试机账户 exam_desk 和管理员账户 exam_admin 及其权限，密码从终端
        读入，或从文件的第一行读入。须由表的所有者运行。
        Creates the desk and administrator roles on PostgreSQL with their rights; passwords
        are read from the terminal or from the first line of the files. Run as the tables' owner.
units   import：从 .xlsx（第一个工作表）或 CSV（UTF-8 或 GBK）导入乡镇和单位，列为 乡镇、单位、
        类型（事业单位 或 行政村），顺序不限；只填乡镇的行只添加乡镇。有任何错误时什么都不写，
        每个错误一行“文件:行: 说明”。再次导入只添加新的。export：按同样的格式导出。
        import loads towns and units (columns 乡镇, 单位, 类型 in any order); every fault is one
        line FILE:ROW: message and nothing is written while any stands; a re-import adds only
        what is new. export writes the same form back.
roster  import：导入考试名单，列为 乡镇、单位、姓名，顺序不限；单位须在该乡镇之下。有任何错误时
        什么都不写。再次导入只添加新的人；--replace 使文件成为它所列单位的全部名单。
        export：按同样的格式导出。
        The staff expected to sit exams (columns 乡镇, 单位, 姓名); --replace makes the file the
        whole roster of the units it names.
sitting add：发布一个考试场次（开放时间段、及格分、参加的单位或整个乡镇，不给时所有人都可参加）
        及其试卷，输出场次编号。list：列出场次。close：立即结束场次。report：按单位统计应考、
        已考、进行中、缺考、及格、及格率，末行为合计。absentees：缺考名单。文件为 .xlsx 或
        .csv（UTF-8）。
        Publishes a sitting with its papers and prints its Id; lists, closes, reports per unit
        and lists the absentees of a sitting, as .xlsx or CSV.
check   用 DBConifg.ini 的每一节连接，说明服务器、已有的表、乡镇/单位/成绩的数目，以及本账户
        能否读取成绩。主数据库不能使用时退出码为 1。
        Connects with each section and reports the server, the tables, the numbers of towns,
        units and scores, and whether this account can read scores; exits with 1 when the
        primary database is unusable.
verify  复核：把每行成绩与其答卷对照，并按试卷的答案重新评分每份答卷；每处错误一行
        “类别<TAB>乡镇<TAB>单位<TAB>姓名<TAB>说明”，最后一行是各类错误的数目。有错误时退出码为 1。
        Checks every score row against its attempt and re-scores every attempt from its answers
        with its paper's key; one line per fault and a summary; exits with 1 when any fault stands.
demo    单机试用：按 DBConifg.ini 建立 SQLite 演示数据库（含演示乡镇、单位和成绩），并把演示
        试卷复制到“Exam File”。需要 root（sudo examdb demo）。
        One-machine trial: creates the SQLite demo databases of DBConifg.ini with the demo towns,
        units and scores, and copies the demo papers into "Exam File" (run with sudo).

退出码 / exit codes: 0 成功 / success; 1 出错 / a fault; 2 用法错误 / bad usage.
)";

class UsageError final : public std::runtime_error {
public:
    explicit UsageError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

struct Arguments {
    QStringList words; // the command and its positional arguments
    QString config;
    QString deskPasswordFile;
    QString adminPasswordFile;
    QString papers;
    SittingRequest sitting;
    bool replace = false;
    bool missingOnly = false;
    bool print = false;
};

QString ValueAfter(const QStringList& arguments, qsizetype& i) {
    if (i + 1 >= arguments.size())
        throw UsageError(u"%1 后缺少取值"_qs.arg(arguments[i]));
    return arguments[++i];
}

Arguments Parse(const QStringList& arguments) {
    Arguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == u"--config")
            parsed.config = ValueAfter(arguments, i);
        else if (argument == u"--desk-password-file")
            parsed.deskPasswordFile = ValueAfter(arguments, i);
        else if (argument == u"--admin-password-file")
            parsed.adminPasswordFile = ValueAfter(arguments, i);
        else if (argument == u"--papers")
            parsed.papers = ValueAfter(arguments, i);
        else if (argument == u"--title")
            parsed.sitting.title = ValueAfter(arguments, i);
        else if (argument == u"--opens")
            parsed.sitting.opens = ValueAfter(arguments, i);
        else if (argument == u"--closes")
            parsed.sitting.closes = ValueAfter(arguments, i);
        else if (argument == u"--pass-mark")
            parsed.sitting.passMark = ValueAfter(arguments, i);
        else if (argument == u"--unit")
            parsed.sitting.units << ValueAfter(arguments, i);
        else if (argument == u"--town")
            parsed.sitting.towns << ValueAfter(arguments, i);
        else if (argument == u"--replace")
            parsed.replace = true;
        else if (argument == u"--missing-only")
            parsed.missingOnly = true;
        else if (argument == u"--print")
            parsed.print = true;
        else if (argument.startsWith(u"--"))
            throw UsageError(u"不认识的选项“%1”"_qs.arg(argument));
        else
            parsed.words << argument;
    }
    return parsed;
}

// The connection string: the one given, that of --config, or that of the DBConifg.ini beside
// the program.
QString ConnectionOf(const Arguments& arguments, qsizetype positionalCount) {
    const QString given = arguments.words.value(positionalCount);
    if (arguments.words.size() > positionalCount + 1)
        throw UsageError(u"多余的参数“%1”"_qs.arg(arguments.words.last()));
    if (!given.isEmpty() && !arguments.config.isEmpty())
        throw UsageError(u"连接字符串和 --config 只能给一个"_qs);
    if (!given.isEmpty())
        return given;
    if (!arguments.config.isEmpty()) {
        if (!QFile::exists(arguments.config))
            throw Failure(u"找不到配置文件 %1"_qs.arg(arguments.config));
        return ReadConnectionStringFromFile(DBConfigSection, arguments.config);
    }
    return ReadConnectionString(DBConfigSection);
}

QString PasswordFromFile(const QString& file) {
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly))
        throw Failure(u"无法读取密码文件 %1：%2"_qs.arg(file, input.errorString()));
    QString password = QString::fromUtf8(input.readLine());
    while (password.endsWith(u'\n') || password.endsWith(u'\r'))
        password.chop(1);
    if (password.isEmpty())
        throw Failure(u"密码文件 %1 的第一行是空的"_qs.arg(file));
    return password;
}

QString PasswordOf(const QString& role, const QString& file, const PasswordPrompt& ask) {
    if (!file.isEmpty())
        return PasswordFromFile(file);
    const QString password = ask(u"%1 的密码 / password of %1: "_qs.arg(role));
    if (password.isEmpty())
        throw UsageError(u"没有读到 %1 的密码：请在终端输入，或用 --%2-password-file 指定"_qs.arg(
            role, role == u"exam_desk" ? u"desk"_qs : u"admin"_qs));
    if (ask(u"再输入一次 / again: "_qs) != password)
        throw Failure(u"两次输入的 %1 密码不一致"_qs.arg(role));
    return password;
}

int Init(const Arguments& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.print) {
        out << TableScripts(Dialect::SqlServer);
        return 0;
    }
    const QString connection = ConnectionOf(arguments, 1);
    CreateSqliteFileIfMissing(connection);
    Database database(connection);
    const TablesSetUp setUp = CreateTables(database, arguments.missingOnly);
    out << u"%1：%2\n"_qs.arg(database.Describe(), setUp.Summary());
    for (const QString& refusal : setUp.refused)
        err << refusal << u'\n';
    return setUp.refused.isEmpty() ? 0 : 1;
}

int Roles(const Arguments& arguments, QTextStream& out, const PasswordPrompt& ask) {
    Database database(ConnectionOf(arguments, 1));
    const QString desk = PasswordOf(u"exam_desk"_qs, arguments.deskPasswordFile, ask);
    const QString admin = PasswordOf(u"exam_admin"_qs, arguments.adminPasswordFile, ask);
    const QStringList absent = CreateRoles(database, desk, admin);
    out << u"%1：已建立账户 exam_desk（考试机）和 exam_admin（管理员）并设置密码\n"_qs.arg(
        database.Describe());
    if (!absent.isEmpty())
        out << u"没有表 %1，未授予这些表的权限；请先运行 examdb init --missing-only 建表，"
               "再运行 examdb roles\n"_qs.arg(absent.join(u", "_qs));
    return 0;
}

// Prints the faults of a file, one line each, then how many there were; false when none.
bool ReportedFaults(const std::vector<sheets::Fault>& faults, QTextStream& err) {
    for (const sheets::Fault& fault : faults)
        err << sheets::FaultLine(fault) << u'\n';
    if (faults.empty())
        return false;
    err << u"有 %1 处错误，什么都没有写入\n"_qs.arg(faults.size());
    return true;
}

// The action of an import/export command, checked along with its file.
QString ImportOrExport(const Arguments& arguments) {
    const QString action = arguments.words.value(1);
    if ((action != u"import" && action != u"export") || arguments.words.value(2).isEmpty())
        throw UsageError(u"用法：examdb %1 import|export 文件"_qs.arg(arguments.words.value(0)));
    return action;
}

int Units(const Arguments& arguments, QTextStream& out, QTextStream& err) {
    const QString action = ImportOrExport(arguments);
    const QString file = arguments.words.value(2);
    Database database(ConnectionOf(arguments, 3));
    if (action == u"export") {
        const int rows = ExportUnits(database, file);
        out << u"已导出 %1 行到 %2\n"_qs.arg(rows).arg(file);
        return 0;
    }
    const ImportResult result = ImportUnits(database, file);
    if (ReportedFaults(result.faults, err))
        return 1;
    out << u"新增乡镇 %1 个，单位 %2 个\n"_qs.arg(result.townsAdded).arg(result.unitsAdded);
    return 0;
}

int Roster(const Arguments& arguments, QTextStream& out, QTextStream& err) {
    const QString action = ImportOrExport(arguments);
    const QString file = arguments.words.value(2);
    Database database(ConnectionOf(arguments, 3));
    if (action == u"export") {
        out << u"已导出 %1 人到 %2\n"_qs.arg(ExportRoster(database, file)).arg(file);
        return 0;
    }
    const RosterImport result = ImportRoster(database, file, arguments.replace);
    if (ReportedFaults(result.faults, err))
        return 1;
    out << u"名单新增 %1 人"_qs.arg(result.added);
    if (arguments.replace)
        out << u"，移出 %1 人"_qs.arg(result.removed);
    out << u'\n';
    return 0;
}

// The sitting's connection is that of --config or the DBConifg.ini beside the program, since
// its positional arguments are papers and files.
QString SittingConnection(const Arguments& arguments) {
    Arguments configOnly = arguments;
    configOnly.words.clear();
    return ConnectionOf(configOnly, 0);
}

int Sitting(const Arguments& arguments, QTextStream& out) {
    const QString action = arguments.words.value(1);
    const QStringList rest = arguments.words.mid(2);
    const auto expect = [&](qsizetype count, const QString& usage) {
        if (rest.size() != count)
            throw UsageError(u"用法：examdb sitting "_qs + usage);
    };
    if (action == u"add") {
        SittingRequest request = arguments.sitting;
        request.papers = rest;
        Database database(SittingConnection(arguments));
        out << PublishSitting(database, request) << u'\n';
        return 0;
    }
    if (action == u"list") {
        expect(0, u"list"_qs);
        Database database(SittingConnection(arguments));
        out << SittingList(database);
        return 0;
    }
    if (action == u"close") {
        expect(1, u"close 编号"_qs);
        Database database(SittingConnection(arguments));
        out << CloseSittingNow(database, rest[0]) << u'\n';
        return 0;
    }
    if (action == u"report" || action == u"absentees") {
        expect(2, action + u" 编号 文件"_qs);
        Database database(SittingConnection(arguments));
        const int rows = action == u"report" ? WriteSittingReport(database, rest[0], rest[1])
                                             : WriteSittingAbsentees(database, rest[0], rest[1]);
        out << u"已写出 %1 行到 %2\n"_qs.arg(rows).arg(rest[1]);
        return 0;
    }
    throw UsageError(u"用法：examdb sitting add|list|close|report|absentees ..."_qs);
}

int Check(const Arguments& arguments, QTextStream& out) {
    if (arguments.words.size() > 1)
        throw UsageError(u"check 只接受 --config"_qs);
    bool primaryUsable = false;
    for (const QString& section : {DBConfigSection, SqlDBConfigSection}) {
        const QString connection = arguments.config.isEmpty()
                                       ? ReadConnectionString(section)
                                       : ReadConnectionStringFromFile(section, arguments.config);
        const ConnectionCheck check = CheckConnection(section, connection);
        out << CheckReport(check);
        if (section == DBConfigSection)
            primaryUsable = check.Usable();
    }
    return primaryUsable ? 0 : 1;
}

int Demo(const Arguments& arguments, QTextStream& out) {
    if (arguments.words.size() > 1)
        throw UsageError(u"demo 只接受 --papers"_qs);
    const QString program = ProgramDirectory();
    const QString papers = arguments.papers.isEmpty()
                               ? QDir::cleanPath(QDir(program).filePath(DemoPapersFolder))
                               : arguments.papers;
    const DemoResult result = SetUpDemo(program, papers);
    for (const QString& file : result.databasesCreated)
        out << u"已建立演示数据库 %1\n"_qs.arg(file);
    if (result.databasesCreated.isEmpty())
        out << u"演示数据库已存在，未做改动\n"_qs;
    out << u"已复制演示试卷 %1 份到“Exam File”\n"_qs.arg(result.papersCopied);
    return 0;
}

} // namespace

QString ReadPasswordFromTerminal(const QString& prompt) {
    if (!::isatty(STDIN_FILENO))
        return {};
    std::cerr << prompt.toStdString() << std::flush;
    termios saved{};
    ::tcgetattr(STDIN_FILENO, &saved);
    termios silent = saved;
    silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &silent);
    std::string line;
    std::getline(std::cin, line);
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved);
    std::cerr << '\n';
    return QString::fromStdString(line);
}

int RunCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err,
                   const PasswordPrompt& askPassword) {
    if (arguments.isEmpty() || arguments.contains(u"--help"_qs) || arguments.contains(u"-h"_qs)) {
        (arguments.isEmpty() ? err : out) << QString::fromUtf8(HelpText);
        return arguments.isEmpty() ? 2 : 0;
    }
    try {
        const Arguments parsed = Parse(arguments);
        const QString command = parsed.words.value(0);
        if (command == u"init")
            return Init(parsed, out, err);
        if (command == u"roles")
            return Roles(parsed, out, askPassword);
        if (command == u"units")
            return Units(parsed, out, err);
        if (command == u"roster")
            return Roster(parsed, out, err);
        if (command == u"sitting")
            return Sitting(parsed, out);
        if (command == u"check")
            return Check(parsed, out);
        if (command == u"demo")
            return Demo(parsed, out);
        if (command == u"verify") {
            Database database(ConnectionOf(parsed, 1));
            return VerifyScores(database, out);
        }
        throw UsageError(u"不认识的命令“%1”"_qs.arg(command));
    } catch (const UsageError& e) {
        err << platform::MaskPasswords(QString::fromUtf8(e.what()))
            << u"\n用 examdb --help 查看用法\n"_qs;
        return 2;
    } catch (const Failure& e) {
        err << platform::MaskPasswords(e.message()) << u'\n';
        return 1;
    } catch (const ConfigFileUnreadable& e) {
        err << QString::fromUtf8(e.what()) << u'\n';
        return 1;
    }
}

} // namespace examdb
