#include <clocale>
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QCommandLineParser>
#include <QLocale>

#include "app/tankdocument.h"
#include "app/textwindow.h"
#include "app/tform1.h"
#include "app/translations.h"

namespace {

// A document made from a tank file needs no window, and no display either.
bool headless(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        for (const char* option : {"--save-document", "--save-protocol"})
            if (const std::size_t n = std::strlen(option);
                std::strncmp(argv[i], option, n) == 0 && (argv[i][n] == '\0' || argv[i][n] == '='))
                return true;
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (headless(argc, argv))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    // Qt adopts the user's locale for the C library too; the core's number formatting needs the C one.
    // The window still takes the user's decimal separator from QLocale.
    std::setlocale(LC_NUMERIC, "C");
    // file dialogs and standard buttons speak the user's language; without the file they stay English
    tarvol::installQtTranslations(QLocale());

    QCommandLineParser parser;
    const QCommandLineOption tank(QStringLiteral("tank"), QStringLiteral("файл ёмкости"), QStringLiteral("FILE"));
    const QCommandLineOption document(QStringLiteral("save-document"),
                                      QStringLiteral("записать градуировочную таблицу ёмкости без окна"),
                                      QStringLiteral("OUT"));
    const QCommandLineOption protocol(QStringLiteral("save-protocol"),
                                      QStringLiteral("записать протокол измерений резервуара (PDF) без окна"),
                                      QStringLiteral("OUT"));
    parser.addOptions({tank, document, protocol});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("файл ёмкости .tarvol"));
    if (!parser.parse(application.arguments())) {
        std::fprintf(stderr, "tarvol: %s\n", parser.errorText().toLocal8Bit().constData());
        return tarvol::kDocumentUsage;
    }
    QString tankFile = parser.value(tank);
    if (tankFile.isEmpty() && !parser.positionalArguments().isEmpty())
        tankFile = parser.positionalArguments().front();
    if (parser.isSet(document) || parser.isSet(protocol)) {
        if (tankFile.isEmpty()) {
            std::fprintf(stderr, "tarvol: %s требует файла ёмкости (--tank FILE)\n",
                         parser.isSet(document) ? "--save-document" : "--save-protocol");
            return tarvol::kDocumentUsage;
        }
        const int made =
            parser.isSet(protocol) ? tarvol::saveTankProtocol(tankFile, parser.value(protocol)) : tarvol::kDocumentMade;
        if (made != tarvol::kDocumentMade || !parser.isSet(document))
            return made;
        return tarvol::saveTankDocument(tankFile, parser.value(document));
    }

    tarvol::TForm1 form;
    const tarvol::TextWindowOpener textWindows(&form);
    form.show();
    if (!tankFile.isEmpty())
        form.openTank(tankFile);
    return application.exec();
}
