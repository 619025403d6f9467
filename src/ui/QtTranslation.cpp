#include "QtTranslation.h"

#include "config/ConfigManger.h"
#include "config/LocaleLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <cstdio>
#include <optional>

namespace vorlane {

namespace {
// Owned by the application object, so it never outlives it (tests make several).
QPointer<QTranslator>& installed() {
    static QPointer<QTranslator> translator;
    return translator;
}
} // namespace

QString QtTranslation::FileName(std::string_view listName) {
    const std::optional<LocaleLanguage::Language> language = LocaleLanguage::FromListName(listName);
    if (!language || *language == LocaleLanguage::Language::English)
        return {};
    return QStringLiteral("qtbase_") +
           QString::fromLatin1(LocaleLanguage::LocaleName(*language).data(),
                               qsizetype(LocaleLanguage::LocaleName(*language).size()));
}

QString QtTranslation::Folder() {
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool QtTranslation::Apply(const ConfigManger& config) {
    QPointer<QTranslator>& current = installed();
    const QString file = FileName(config.LanguageName());
    if (current && !file.isEmpty() && current->objectName() == file)
        return true; // already in use: no needless retranslation of every window
    QTranslator* next = nullptr;
    if (!file.isEmpty()) {
        next = new QTranslator(QCoreApplication::instance());
        next->setObjectName(file);
        if (!next->load(file, Folder())) {
            std::fprintf(stderr,
                         "Vorlane: Qt's translation %s is not installed in %s (package "
                         "qt6-translations-l10n); Qt's own buttons stay in English\n",
                         qPrintable(file), qPrintable(Folder()));
            delete next;
            next = nullptr;
        }
    }
    if (current) {
        QCoreApplication::removeTranslator(current);
        delete current;
    }
    if (next)
        QCoreApplication::installTranslator(next);
    current = next;
    return next != nullptr;
}

} // namespace vorlane
