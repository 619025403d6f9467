#include "scheduler/TaskDialogs.h"

#include "scheduler/CTaskSettingDlg.h"
#include "ui/CRivorAzururuFrame.h"

namespace vorlane {

void TaskDialogs::Install(CRivorAzururuFrame& panel, ADOConnection& catalogue) {
    panel.setToolDialogFactory(
        CRivorAzururuFrame::ToolDialog::TaskList, [&catalogue](CRivorAzururuFrame& p) -> QWidget* {
            QString error;
            auto dialog = CTaskSettingDlg::Create(p.config(), catalogue, p.handle(), &p, &error);
            if (!dialog) {
                p.reportError("The task list cannot be shown: " + error.toStdString());
                return nullptr;
            }
            return dialog.release(); // the panel owns it from here on
        });
}

} // namespace vorlane
