#include "playback/PlayFileDialog.h"

#include "playback/CPlayFileDlg.h"
#include "ui/CRivorAzururuFrame.h"

#include <QFileDialog>
#include <QMessageBox>

namespace vorlane {

void PlayFileDialog::Install(CRivorAzururuFrame& panel, ADOConnection& catalogue) {
    panel.setToolDialogFactory(
        CRivorAzururuFrame::ToolDialog::PlayFile, [&catalogue](CRivorAzururuFrame& p) -> QWidget* {
            CPlayFileDlg::Services services;
            services.panel = p.handle();
            services.catalogue = &catalogue;
            // The boxes are owned by the panel: the browser may be hidden meanwhile.
            services.showMessage = [&p](const QString& text, const QString& detail) {
                QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok, &p);
                if (!detail.isEmpty())
                    box.setInformativeText(detail);
                box.exec();
            };
            services.askYesNo = [&p](const QString& text) {
                return QMessageBox::question(&p, QString(), text,
                                             QMessageBox::Yes | QMessageBox::No) ==
                       QMessageBox::Yes;
            };
            services.chooseSaveFile = [&p](const QString& name, const QString& filter) {
                return QFileDialog::getSaveFileName(&p, QString(), name, filter);
            };
            QString error;
            auto dialog = CPlayFileDlg::Create(p.config(), std::move(services), &p, &error);
            return p.adoptToolDialog(std::move(dialog), "The recordings window", error);
        });
}

} // namespace vorlane
