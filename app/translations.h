#pragma once

class QLocale;
class QTranslator;

namespace tarvol {

// Installs Qt's own translation for `locale` (file dialogs, standard buttons, Qt's messages) from Qt's
// translations folder; the translator, owned by the application, or nullptr when the folder holds none.
QTranslator* installQtTranslations(const QLocale& locale);

} // namespace tarvol
