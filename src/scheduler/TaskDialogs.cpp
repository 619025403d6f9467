#include "scheduler/TaskDialogs.h"

#include "scheduler/CTaskSettingDlg.h"
#include "ui/CRivorAzururuFrame.h"

namespace vorlane {

void TaskDialogs::Install(CRivorAzururuFrame& panel, ADOConnection& catalogue) {
    panel.setToolDialogFactory(
        CRivorAzururuFrame::ToolDialog::TaskList, [&catalogue](CRivorAzururuFrame& p) -> QWidget* {
            QString error;
            auto dialog = CTaskSettingDlg::Create(p.config(), catalogue, p.handle(), &p, &error);
            return p.adoptToolDialog(std::move(dialog), "The task list", error);
        });
}

} // namespace vorlane
