#include "PumpUntil.h"
#include "SettingsTestSupport.h"
#include "ui/CGenreerSettingDlg.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>

using namespace vorlane;
using namespace vorlane::test;

namespace {

QStringList rows(const CGenreerSettingDlg& dialog) {
    QStringList names;
    for (int i = 0; i < dialog.list()->topLevelItemCount(); ++i)
        names << dialog.list()->topLevelItem(i)->text(0);
    return names;
}

void doubleClick(QWidget* viewport, QPoint at) {
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
        mouse(viewport, type, at);
}

int rowOf(const CGenreerSettingDlg& dialog, const QString& name) {
    return rows(dialog).indexOf(name);
}

} // namespace

TEST(GenreChooser, ListsExactly148NamesSortedWithEmptyNamesFirst) {
    SettingsHome s;
    s.home.writeFile("Configure/idtag3.ini",
                     "[Genre]\n0=Rock\n1=blues\n2=Acid\n147=Zydeco\n"
                     "148=Beyond the list\n300=Far beyond\n5=acid\n6=Acid Jazz\n");
    CGenreerSettingDlg dialog(s.config);
    const QStringList names = rows(dialog);
    ASSERT_EQ(names.size(), 148);
    for (int i = 0; i < 142; ++i)
        ASSERT_EQ(names[i], "") << i;
    // Case does not count, except between names that differ only in case.
    EXPECT_EQ(names.mid(142),
              (QStringList{"Acid", "acid", "Acid Jazz", "blues", "Rock", "Zydeco"}));
    EXPECT_EQ(dialog.windowTitle(), "Genre");
    EXPECT_EQ(dialog.okButton()->text(), "OK");
    EXPECT_EQ(dialog.list()->headerItem()->text(0), "Genre");
}

TEST(GenreChooser, TitleAndButtonsFollowTheLanguageFile) {
    SettingsHome s;
    s.config.SetLanguageID(2);
    CGenreerSettingDlg japanese(s.config);
    EXPECT_NE(japanese.windowTitle(), "Genre");
    EXPECT_NE(japanese.cancelButton()->text(), "Cancel");

    s.home.writeFile("Language/Japanese/Japanese.ini", "[WindowText]\nOK=Okay\n");
    CGenreerSettingDlg sparse(s.config);
    EXPECT_EQ(sparse.windowTitle(), "Genre");
    EXPECT_EQ(sparse.okButton()->text(), "Okay");
    EXPECT_EQ(sparse.cancelButton()->text(), "Cancel");
}

TEST(GenreChooser, OkWithoutSelectionStaysOpenAndOkWithOneReturnsItsName) {
    SettingsHome s;
    CGenreerSettingDlg dialog(s.config);
    dialog.show();
    dialog.okButton()->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.chosenIndex(), -1);

    // "Acid" is near the top of the list but is not the genre of its row: the name, not the
    // row, identifies the genre.
    const int row = rowOf(dialog, "Acid");
    ASSERT_GE(row, 0);
    dialog.list()->topLevelItem(row)->setSelected(true);
    dialog.okButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenName(), "Acid");
    EXPECT_EQ(dialog.chosenIndex(), row);
    EXPECT_NE(ConfigManger::GenreNumber("Acid"), row);
}

TEST(GenreChooser, DoubleClickOnARowChoosesItAndOnEmptySpaceDoesNothing) {
    SettingsHome s;
    CGenreerSettingDlg dialog(s.config);
    dialog.show();
    QTreeWidget* list = dialog.list();
    const int row = rowOf(dialog, "Jazz");
    list->topLevelItem(row)->setSelected(true);
    // Make room below the last row, then double-click there with a row still selected.
    list->setMinimumHeight(list->sizeHintForRow(0) * 160 + 80);
    dialog.setFixedSize(dialog.width(), list->minimumHeight() + 60);
    QTreeWidgetItem* last = list->topLevelItem(147);
    list->scrollToItem(last);
    const QRect lastRect = list->visualItemRect(last);
    ASSERT_LT(lastRect.bottom() + 20, list->viewport()->height());
    doubleClick(list->viewport(), {10, lastRect.bottom() + 20});
    pumpFor(20);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.chosenIndex(), -1);

    list->scrollToItem(list->topLevelItem(row));
    doubleClick(list->viewport(), list->visualItemRect(list->topLevelItem(row)).center());
    ASSERT_TRUE(pumpUntil([&] { return !dialog.isVisible(); }, 10000));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenName(), "Jazz");
}

TEST(GenreChooser, MissingGenreFileGives148EmptyRowsAndChoosingOneGivesAnEmptyName) {
    SettingsHome s;
    std::filesystem::remove(s.home / "Configure" / "idtag3.ini");
    CGenreerSettingDlg dialog(s.config);
    const QStringList names = rows(dialog);
    EXPECT_EQ(names.size(), 148);
    EXPECT_EQ(names.join(""), "");
    dialog.show();
    dialog.list()->topLevelItem(100)->setSelected(true);
    dialog.okButton()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenName(), "");
}
