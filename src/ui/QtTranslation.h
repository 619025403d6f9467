#pragma once

#include <QString>
#include <string_view>

namespace vorlane {

class ConfigManger;

// Qt's own texts (the standard buttons of message boxes and button boxes, the file dialog)
// in the program's language, from Qt's translations: qtbase_<locale>.qm in Qt's
// translations folder (Debian package qt6-translations-l10n). One translator serves the
// process and is replaced at each change of language. English, a language of the list that
// is none of ours, or a translation that is not installed leave Qt's English texts.
//
// Thread contract: the GUI thread.
class QtTranslation {
public:
    // Installs the translation for the settings record's language in place of the one
    // before. True when a translation is in use.
    static bool Apply(const ConfigManger& config);

    // The translation for a language of the list ("Japanese" gives "qtbase_ja"); empty for
    // English and for names that are none of ours.
    static QString FileName(std::string_view listName);
    // Where Qt's translations are installed.
    static QString Folder();
};

} // namespace vorlane
