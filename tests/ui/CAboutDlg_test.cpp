#include "TestProgramFolder.h"
#include "config/ConfigManger.h"
#include "ui/CAboutDlg.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QWidget>

using namespace vorlane;
using namespace vorlane::test;

TEST(CAboutDlg, ShowsVersionAndCopyrightUnderTheLanguagesTitleAndClosesWithOk) {
    TestProgramFolder folder;
    ConfigManger config;
    ASSERT_TRUE(config.Load());
    folder.writeFile("Language/Test/Test.ini", "[WindowText]\nAbout = Über Vorlane \n");
    config.LanguageFile = (folder / "Language/Test/Test.ini").string();

    QWidget owner;
    owner.setGeometry(300, 200, 400, 300);
    owner.show();
    CAboutDlg about(config, &owner);
    EXPECT_EQ(about.windowTitle(), QStringLiteral("Über Vorlane"));
    EXPECT_EQ(about.text(), QStringLiteral("VorlaneLP 1.0.7.0\n\nCopyright (C) 2026 The "
                                           "Vorlane developers"));
    EXPECT_TRUE(about.isModal());
    about.show();
    EXPECT_LE((about.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(),
              2);
    about.okButton()->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);

    // Without the key the title is the built-in one.
    folder.writeFile("Language/Test/Test.ini", "[WindowText]\n");
    EXPECT_EQ(CAboutDlg(config).windowTitle(), QStringLiteral("About"));
}
