#include "tests/support/PgServer.h"

#include "platform/DatabaseConnection.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <pwd.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace testsupport {
namespace {

std::filesystem::path FindPostgresBinaries() {
    std::filesystem::path best;
    const std::filesystem::path base = "/usr/lib/postgresql";
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
        const auto bin = entry.path() / "bin";
        if (std::filesystem::exists(bin / "initdb") && std::filesystem::exists(bin / "postgres") &&
            (best.empty() || std::stoi(entry.path().filename().string()) >
                                 std::stoi(best.parent_path().filename().string())))
            best = bin;
    }
    if (best.empty())
        throw std::runtime_error("PostgreSQL is not installed (no /usr/lib/postgresql/*/bin/"
                                 "initdb): install the Debian package postgresql");
    return best;
}

int FreeLoopbackPort() {
    const int socketHandle = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    if (socketHandle < 0 ||
        bind(socketHandle, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        getsockname(socketHandle, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("no free loopback port for the PostgreSQL test server");
    close(socketHandle);
    return ntohs(address.sin_port);
}

bool IsRoot() {
    return geteuid() == 0;
}

std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

// From the root folder: the server user may not enter the test's current directory, which may
// even be gone by then.
void Run(const std::string& command) {
    if (std::system(("cd / && " + command).c_str()) != 0)
        throw std::runtime_error("command failed: " + command);
}

std::unique_ptr<PgServer>& SharedInstance() {
    static std::unique_ptr<PgServer> instance;
    return instance;
}

} // namespace

PgServer& PgServer::Shared() {
    auto& instance = SharedInstance();
    if (!instance) {
        instance.reset(new PgServer());
        // Stopped at exit even when a test fails.
        std::atexit([] { SharedInstance().reset(); });
    }
    return *instance;
}

PgServer::PgServer() : binDir(FindPostgresBinaries()) {
    char pattern[] = "/tmp/examsuite-pg-XXXXXX";
    if (!mkdtemp(pattern))
        throw std::runtime_error("cannot create the PostgreSQL test folder");
    root = pattern;
    if (IsRoot()) {
        const passwd* user = getpwnam("postgres");
        if (!user)
            throw std::runtime_error("the tests run as root, but there is no user postgres to "
                                     "run the PostgreSQL test server as");
        if (chown(root.c_str(), user->pw_uid, user->pw_gid) != 0)
            throw std::runtime_error("cannot hand the PostgreSQL test folder to postgres");
    }
    try {
        Start();
    } catch (...) {
        std::error_code error;
        std::filesystem::remove_all(root, error);
        throw;
    }
}

PgServer::~PgServer() {
    if (pid > 0) {
        kill(pid, SIGINT); // fast shutdown: ends the sessions and stops
        int status = 0;
        waitpid(pid, &status, 0);
    }
    std::error_code error;
    std::filesystem::remove_all(root, error);
}

std::string PgServer::AsServerUser(const std::string& command) const {
    return IsRoot() ? "setpriv --reuid=postgres --regid=postgres --init-groups -- " + command
                    : command;
}

void PgServer::RunAsServerUser(const std::string& command) const {
    Run(AsServerUser(command));
}

void PgServer::Start() {
    const std::string data = (root / "data").string();
    RunAsServerUser(Quoted((binDir / "initdb").string()) + " -D " + Quoted(data) +
                    " -A trust -U postgres -E UTF8 --locale=C.UTF-8 --no-sync > " +
                    Quoted((root / "initdb.log").string()) + " 2>&1");
    const std::string hba = (root / "pg_hba.conf").string();
    std::ofstream(hba) << "local all all scram-sha-256\nhost all all 127.0.0.1/32 trust\n";
    port = FreeLoopbackPort();
    const std::string log = (root / "server.log").string();
    const std::string command =
        "cd / && exec " +
        AsServerUser(Quoted((binDir / "postgres").string()) + " -D " + Quoted(data) + " -p " +
                     std::to_string(port) + " -k " + Quoted(root.string()) +
                     " -c hba_file=" + Quoted(hba) +
                     " -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off"
                     " -c full_page_writes=off -c max_connections=40 > " +
                     Quoted(log) + " 2>&1");
    // setpriv execs the server, so the child's pid is the server's.
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
        throw std::runtime_error("cannot start the PostgreSQL test server");
    const std::string ready =
        Quoted((binDir / "pg_isready").string()) + " -q -h 127.0.0.1 -p " + std::to_string(port);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::system(ready.c_str()) != 0) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            throw std::runtime_error("the PostgreSQL test server did not start; see " + log);
        }
        if (std::chrono::steady_clock::now() > deadline)
            throw std::runtime_error("the PostgreSQL test server did not get ready; see " + log);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

QString PgServer::CreateDatabase() {
    const QString name = u"test_%1_%2"_qs.arg(getpid()).arg(++databases);
    platform::TADOConnection admin;
    admin.SetConnectionString(ConnectionString(u"postgres"_qs));
    admin.Execute(u"CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0"_qs.arg(name));
    return name;
}

QString PgServer::ConnectionString(const QString& database) const {
    return u"Provider=PostgreSQL;Data Source=127.0.0.1:%1;Initial Catalog=%2;User ID=postgres"_qs
        .arg(port)
        .arg(database);
}

QString PgServer::PasswordConnectionString(const QString& database, const QString& user,
                                           const QString& password) const {
    return u"Provider=PostgreSQL;Data Source=%1:%2;Initial Catalog=%3;User ID=%4;Password=\"%5\""_qs
        .arg(QString::fromStdString(root.string()))
        .arg(port)
        .arg(database, user, QString(password).replace(u"\""_qs, u"\"\""_qs));
}

QString PgServer::LogText() const {
    std::ifstream in(root / "server.log", std::ios::binary);
    return QString::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
}

std::string BackendName(Backend backend) {
    return backend == Backend::Sqlite ? "Sqlite" : "Postgres";
}

// The schema files of the product, from the source tree (a compiler cache may make __FILE__
// relative, so the build names the folder).
QString SqlFile(const std::string& name) {
    const auto file = std::filesystem::path(EXAMSUITE_SCHEMA_DIR) / name;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw std::runtime_error("schema file missing: " + file.string());
    return QString::fromStdString(std::string(std::istreambuf_iterator<char>(in), {}));
}

TestDatabase::TestDatabase(Backend kind, Tables tables) : backend(kind) {
    if (backend == Backend::Sqlite) {
        char pattern[] = "/tmp/examsuite-db-XXXXXX";
        if (!mkdtemp(pattern))
            throw std::runtime_error("cannot create a folder for a test database");
        folder = pattern;
        const auto file = folder / "test.db";
        std::ofstream(file).close();
        connectionString =
            u"Provider=SQLite;Data Source="_qs + QString::fromStdString(file.string());
    } else {
        PgServer& server = PgServer::Shared();
        connectionString = server.ConnectionString(server.CreateDatabase());
    }
    const std::string form = backend == Backend::Sqlite ? "sqlite" : "postgresql";
    Execute(SqlFile("schema-" + form + ".sql"));
    if (tables != Tables::ScoresOnly)
        Execute(SqlFile("attempts-" + form + ".sql"));
    if (tables == Tables::WithSittings)
        Execute(SqlFile("sittings-" + form + ".sql"));
}

QString TestDatabase::ConnectionStringAs(const QString& user) const {
    return QString(connectionString).replace(u"User ID=postgres"_qs, u"User ID="_qs + user);
}

void TestDatabase::ExecuteScript(const QString& script) const {
    platform::TADOConnection connection;
    connection.SetConnectionString(connectionString);
    connection.Execute(script);
}

TestDatabase::~TestDatabase() {
    if (!folder.empty()) {
        std::error_code error;
        std::filesystem::remove_all(folder, error);
    }
}

void TestDatabase::Execute(const QString& statements) const {
    platform::TADOConnection connection;
    connection.SetConnectionString(connectionString);
    QStringList lines;
    for (const QString& line : statements.split(u'\n')) {
        if (!line.trimmed().startsWith(u"--"))
            lines << line;
    }
    for (const QString& statement : lines.join(u'\n').split(u";\n"_qs)) {
        const QString sql = statement.trimmed().remove(QRegularExpression(u";$"_qs));
        if (!sql.isEmpty())
            connection.Execute(sql);
    }
}

} // namespace testsupport
