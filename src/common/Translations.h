#pragma once
// Every program of the tool set speaks Russian, whatever the user's locale:
// Qt's own texts (the standard buttons of message boxes, the file dialogs,
// the context menus of text fields) come from Qt's Russian translations.
class QCoreApplication;

namespace common {

// Installs Qt's Russian translations into the application. False when they
// are not installed on this computer (Qt's English texts then stay).
bool installRussianTranslations(QCoreApplication& app);

} // namespace common
