#pragma once

#include <QDialog>
#include <QString>
#include <optional>
#include <string>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace vorlane {

class ConfigManger;

// The genre chooser: the 148 names of the genre list (Configure/idtag3.ini, section
// "Genre", keys "0" to "147"), sorted by name, in a one-column list. OK or a double click
// on a row ends it with that name; OK without a selection keeps it open. The name, not the
// row, identifies the genre: rows are sorted, so a row number is not a genre number.
// From the keyboard: the list starts at the genre in use, the arrow keys and typing a name
// choose, Enter takes the choice and Escape cancels.
//
//     if (auto name = CGenreerSettingDlg::Choose(config, panel))
//         config.MP3Genre = ConfigManger::GenreNumber(*name);
//
// A plain dialog, not skinned. Thread contract: GUI thread only.
class CGenreerSettingDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kGenreCount = 148;
    static constexpr int kListId = 1089;

    explicit CGenreerSettingDlg(const ConfigManger& config, QWidget* parent = nullptr);
    ~CGenreerSettingDlg() override;

    // Runs the chooser modally over `owner`: the chosen name, or nullopt when cancelled.
    static std::optional<std::string> Choose(const ConfigManger& config, QWidget* owner);

    // After OK: the chosen name (empty for an empty row) and its row in the sorted list;
    // before, an empty name and -1.
    const std::string& chosenName() const { return chosenName_; }
    int chosenIndex() const { return chosenIndex_; }

    QTreeWidget* list() const { return list_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    // The names of keys "0" to "147" of the genre list, in key order; a missing key (or
    // file) gives an empty name.
    static std::vector<std::string> ReadGenreNames();
    // The order of the list: names compared without case, ties broken with case.
    static bool NameLess(const QString& a, const QString& b);

public Q_SLOTS:
    // OK: takes the selected row, or does nothing when none is selected.
    void accept() override;

private:
    void fillList();
    void applyTexts(const ConfigManger& config);
    void showCurrentGenre(const ConfigManger& config);

    QTreeWidget* list_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    std::string chosenName_;
    int chosenIndex_ = -1;
};

} // namespace vorlane
