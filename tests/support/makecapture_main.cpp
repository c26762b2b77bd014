// Writes the example capture files: makecapture counter|serial|steady FILE,
// or makecapture all FOLDER for the three of them.

#include "tests/support/capturefixture.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <map>

namespace {

const std::map<QString, std::function<capturefixture::CaptureRecipe()>>& examples()
{
    static const std::map<QString, std::function<capturefixture::CaptureRecipe()>> all{
        {QStringLiteral("counter"), capturefixture::counterExample},
        {QStringLiteral("serial"), capturefixture::serialExample},
        {QStringLiteral("steady"), capturefixture::steadyExample},
    };
    return all;
}

bool write(const QString& kind, const QString& path)
{
    QTextStream err(stderr);
    const auto it = examples().find(kind);
    if (it == examples().end()) {
        err << "makecapture: unknown capture " << kind << Qt::endl;
        return false;
    }
    if (!capturefixture::writeBytes(path, capturefixture::captureText(it->second()))) {
        err << "makecapture: cannot write " << path << Qt::endl;
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        QTextStream(stderr) << "usage: makecapture counter|serial|steady FILE\n"
                               "       makecapture all FOLDER\n";
        return 2;
    }
    if (args[1] == QLatin1String("all")) {
        const QDir folder(args[2]);
        bool ok = true;
        for (const auto& [kind, make] : examples())
            ok = write(kind, folder.filePath(kind + QStringLiteral(".csv"))) && ok;
        return ok ? 0 : 1;
    }
    return write(args[1], args[2]) ? 0 : 1;
}
