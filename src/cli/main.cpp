// polcozo-keres: searches catalogs from the command line; see --help.
#include "CatalogSearch.h"
#include "store/Settings.h"

#include <QCoreApplication>
#include <QLocale>
#include <cstdio>

namespace {

class StdioOutput : public cli::Output
{
public:
    explicit StdioOutput(std::FILE* file) : m_file(file) {}
    void write(QByteArrayView bytes) override
    {
        if (!bytes.isEmpty())
            std::fwrite(bytes.data(), 1, size_t(bytes.size()), m_file);
    }
    void flush() override { std::fflush(m_file); }

private:
    std::FILE* m_file;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("polcozo-keres"));
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    cli::Environment env;
    env.settingsFile = store::settingsFilePath();
    StdioOutput out(stdout);
    StdioOutput err(stderr);
    const int status = cli::run(arguments, env, out, err);
    out.flush();
    // A reader that went away (head, a closed pipe) is not the search's failure,
    // but a full disk is.
    if (std::ferror(stdout) && status != cli::kFailed)
        return cli::kFailed;
    return status;
}
