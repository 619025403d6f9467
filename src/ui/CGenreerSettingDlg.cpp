#include "CGenreerSettingDlg.h"

#include "config/ConfigManger.h"
#include "config/IniText.h"
#include "config/wIniFile.h"
#include "ui/LanguageTexts.h"
#include "ui/SkinLayout.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QMetaObject>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace vorlane {

namespace {
// Dialog template: 128 x 202 dialog units.
constexpr int kWidth = skin::DluX(128);
constexpr int kHeight = skin::DluY(202);
constexpr int kColumnWidth = 120;
} // namespace

CGenreerSettingDlg::CGenreerSettingDlg(const ConfigManger& config, QWidget* parent)
    : QDialog(parent) {
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("genreList"));
    list_->setColumnCount(1);
    list_->setHeaderLabels({QStringLiteral("Genre")});
    list_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list_->setColumnWidth(0, kColumnWidth);
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setUniformRowHeights(true);

    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    connect(ok_, &QPushButton::clicked, this, &CGenreerSettingDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CGenreerSettingDlg::reject);
    // Only a double click on a row chooses; empty space below the rows is no choice. The
    // choice runs after the click has been handled, as a click on OK would.
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item && item->isSelected())
            QMetaObject::invokeMethod(this, &CGenreerSettingDlg::accept, Qt::QueuedConnection);
    });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    setFixedSize(kWidth, kHeight);
    fillList();
    applyTexts(config);
    showCurrentGenre(config);
}

void CGenreerSettingDlg::showCurrentGenre(const ConfigManger& config) {
    // The keys start from the genre in use, without choosing it: OK still needs a choice.
    const QString current = QString::fromStdString(ConfigManger::GenreName(config.MP3Genre));
    if (current.isEmpty())
        return;
    const QList<QTreeWidgetItem*> found = list_->findItems(current, Qt::MatchExactly);
    if (found.isEmpty())
        return;
    list_->setCurrentItem(found.front(), 0, QItemSelectionModel::NoUpdate);
    list_->scrollToItem(found.front(), QAbstractItemView::PositionAtCenter);
}

CGenreerSettingDlg::~CGenreerSettingDlg() = default;

std::optional<std::string> CGenreerSettingDlg::Choose(const ConfigManger& config, QWidget* owner) {
    CGenreerSettingDlg dialog(config, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenName();
}

std::vector<std::string> CGenreerSettingDlg::ReadGenreNames() {
    std::vector<std::string> names(kGenreCount);
    // One read of the file for all 148 keys.
    const std::optional<ini::DecodedText> text = wIniFile::LoadText(ConfigManger::GenreFilePath());
    if (!text)
        return names;
    for (int key = 0; key < kGenreCount; ++key) {
        if (std::optional<std::string> value =
                ini::findValue(text->text, "Genre", std::to_string(key)))
            names[key] = ini::truncateChars(*value, wIniFile::kMaxValueChars);
    }
    return names;
}

bool CGenreerSettingDlg::NameLess(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

void CGenreerSettingDlg::fillList() {
    list_->clear();
    std::vector<QString> names;
    for (const std::string& name : ReadGenreNames())
        names.push_back(QString::fromStdString(name));
    std::stable_sort(names.begin(), names.end(), NameLess);
    QList<QTreeWidgetItem*> items;
    for (const QString& name : names)
        items.append(new QTreeWidgetItem(QStringList{name}));
    list_->addTopLevelItems(items);
}

void CGenreerSettingDlg::applyTexts(const ConfigManger& config) {
    LanguageTexts texts(config, LanguageTexts::kWindowText);
    ok_->setText(texts.text("OK ", "OK"));
    cancel_->setText(texts.text("Cancel ", "Cancel"));
    setWindowTitle(texts.text("Genre ", "Genre"));
    list_->setAccessibleName(windowTitle());
}

void CGenreerSettingDlg::accept() {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* item = selected.front();
    chosenName_ = item->text(0).toStdString();
    chosenIndex_ = list_->indexOfTopLevelItem(item);
    QDialog::accept();
}

} // namespace vorlane
