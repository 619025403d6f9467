#include "ui/CAboutDlg.h"

#include "config/ConfigManger.h"
#include "ui/LanguageTexts.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlane {

QString CAboutDlg::AboutText(const ConfigManger& config) {
    return QString::fromStdString(config.Version) + QStringLiteral("\n\n") +
           QString::fromStdString(config.CopyRight);
}

CAboutDlg::CAboutDlg(const ConfigManger& config, QWidget* owner) : QDialog(owner) {
    setWindowTitle(LanguageTexts(config, LanguageTexts::kWindowText).text("About ", "About"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    text_ = new QLabel(AboutText(config), this);
    text_->setObjectName(QString::number(kTextId));
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(text_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

CAboutDlg::~CAboutDlg() = default;

QString CAboutDlg::text() const {
    return text_->text();
}

} // namespace vorlane
