#include <clocale>

#include <QApplication>
#include <QLocale>

#include "app/tform1.h"
#include "app/translations.h"

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    // Qt adopts the user's locale for the C library too; the core's number formatting needs the C one.
    // The window still takes the user's decimal separator from QLocale.
    std::setlocale(LC_NUMERIC, "C");
    // file dialogs and standard buttons speak the user's language; without the file they stay English
    tarvol::installQtTranslations(QLocale());

    tarvol::TForm1 form;
    form.show();
    return application.exec();
}
