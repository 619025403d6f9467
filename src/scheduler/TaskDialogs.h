#pragma once

namespace vorlane {

class ADOConnection;
class CRivorAzururuFrame;

// Plugs the task list into the panel's task button (and the tray's "Tasks").
class TaskDialogs {
public:
    static void Install(CRivorAzururuFrame& panel, ADOConnection& catalogue);
};

} // namespace vorlane
