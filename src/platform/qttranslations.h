#pragma once
// Qt's own texts (the file dialog's "Look in", "File name", "Cancel", the
// standard buttons) in Japanese, so every dialog matches the program's texts
// whatever the user's locale.



class QCoreApplication;

namespace yotsumado {

namespace platform {

// Loads Qt's Japanese catalogue (qtbase_ja from Qt's translations folder)
// into the application; false when it is not installed, and then Qt's
// English texts stay.
bool InstallQtJapaneseTranslations(QCoreApplication& app);

} // namespace platform

} // namespace yotsumado
