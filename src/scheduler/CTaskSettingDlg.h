#pragma once

#include "ui/SkinnedDialog.h"

#include <QString>
#include <functional>
#include <initializer_list>
#include <memory>

class QComboBox;
class QLabel;

namespace vorlane {

class ADOConnection;
class ADORecordset;
class CAddTaskDlg;
class ConfigManger;
class CRegionBmpBtn;
struct Task;

// The task list: every stored task in a table, New, Edit and Del, and what happens after a
// scheduled recording ("Record End Type"). A modeless skinned dialog that the panel makes
// once and then shows and hides; every show rebuilds the rows. Closing hides it and posts
// msg::ToolDialogClosed (wParam 0) to the panel. New and Edit run the task editor modally
// and store its result; a table row is tied to its stored task by its start and end texts.
// The rows show what is stored: a change the catalogue refuses leaves them as they were
// and the user is told why.
//
// Thread contract: GUI thread only.
class CTaskSettingDlg : public SkinnedDialog {
    Q_OBJECT
public:
    enum ControlId {
        kIdCancel = 2,
        kClose = 1038,
        kDelete = 1065,
        kList = 1066,
        kNew = 1067,
        kEdit = 1068,
        kEndTypeLabel = 1103,
        kEndType = 1104,
    };
    static constexpr int kColumns = 10;

    // Runs the editor modally and returns how it ended (tests answer for the user).
    using EditorRunner = std::function<int(CAddTaskDlg& editor)>;

    // Null when the background BK30.bmp cannot be loaded (*error says why).
    static std::unique_ptr<CTaskSettingDlg> Create(ConfigManger& config, ADOConnection& catalogue,
                                                   WindowHandle panel, QWidget* parent,
                                                   QString* error = nullptr);
    ~CTaskSettingDlg() override;

    // Texts, column headers, rows and the after-recording choice, anew.
    void Refresh();
    void setEditorRunner(EditorRunner runner) { runEditor_ = std::move(runner); }
    // Shows a message over the list (a change the catalogue refused); tests read it.
    using MessageReporter = std::function<void(QWidget* owner, const QString& text)>;
    void setMessageReporter(MessageReporter reporter) { report_ = std::move(reporter); }

    QTableWidget* list() const { return list_; }

    void OnNew();
    void OnEdit();
    void OnDelete();

protected:
    bool processMessage(const Message& m, intptr_t& result) override;
    void OnShown() override { Refresh(); }
    // Enter on the list edits the chosen task, as a double click does.
    void OnEnter() override;

private:
    CTaskSettingDlg(ConfigManger& config, ADOConnection& catalogue, WindowHandle panel,
                    QWidget* parent);
    bool Load(QString* error);
    void buildControls();
    void skinButtons();
    void SetRow(int row, const Task& task);
    // A column wide enough for its title and for each of the texts its cells show.
    int ColumnWidthFor(const QString& header, std::initializer_list<QString> cells) const;
    std::unique_ptr<CAddTaskDlg> MakeEditor();
    int RunEditor(CAddTaskDlg& editor);
    void OnEndTypeChanged(int index);
    // Tells the user that the catalogue refused a change, and why.
    void Tell(const QString& text);
    void TellNotSaved(const ADORecordset& rs);
    QString Reason(const ADORecordset& rs) const;

    ConfigManger& config_;
    ADOConnection& catalogue_;
    WindowHandle panel_;
    EditorRunner runEditor_;
    MessageReporter report_;
    QTableWidget* list_ = nullptr;
    QLabel* endTypeLabel_ = nullptr;
    QComboBox* endType_ = nullptr;
    CRegionBmpBtn* close_ = nullptr;
    CRegionBmpBtn* new_ = nullptr;
    CRegionBmpBtn* edit_ = nullptr;
    CRegionBmpBtn* delete_ = nullptr;
    QString selectedText_ = QStringLiteral("Y");
    QString unselectedText_ = QStringLiteral("N");
    bool filling_ = false;
};

} // namespace vorlane
