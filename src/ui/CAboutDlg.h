#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vorlane {

class ConfigManger;

// The About box: the version and copyright of the settings file under a title from the
// language file. A plain dialog, not skinned; QDialog centres it on its owner (or the
// screen). Closed with OK.
//
// Thread contract: GUI thread only.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTextId = 1000;

    CAboutDlg(const ConfigManger& config, QWidget* owner = nullptr);
    ~CAboutDlg() override;

    // The version text of control 1000.
    QString text() const;
    QPushButton* okButton() const { return ok_; }

    // The text: the version, an empty line, the copyright.
    static QString AboutText(const ConfigManger& config);

private:
    QLabel* text_ = nullptr;
    QPushButton* ok_ = nullptr;
};

} // namespace vorlane
