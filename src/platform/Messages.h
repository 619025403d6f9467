#pragma once

#include <cstdint>

// The one table of window message numbers, command ids and timer ids shared by the
// program's windows. The numbers are fixed: peers and tests rely on them.
namespace vorlane::msg {

// Window-system messages that the message layer delivers itself.
inline constexpr uint32_t Create = 0x0001;
inline constexpr uint32_t Destroy = 0x0002;
inline constexpr uint32_t Close = 0x0010;
inline constexpr uint32_t Command = 0x0111;
inline constexpr uint32_t Timer = 0x0113;
inline constexpr uint32_t DeviceChange = 0x0219;
// First number free for private messages.
inline constexpr uint32_t User = 0x0400;

// Messages to the main panel.
inline constexpr uint32_t DeviceReady = 1041; // wParam: device type code
inline constexpr uint32_t DeviceGone = 1042;
inline constexpr uint32_t ToolDialogClosed = 1053; // wParam: 0 task list, 1 browser, 2 settings
inline constexpr uint32_t LanguageChanged = 1055;
inline constexpr uint32_t ScheduledRecording = 1056; // wParam: 0 start (text: file suffix), 1 stop
inline constexpr uint32_t BlockCaptured = 1058;
inline constexpr uint32_t MonitorMute = 1060; // wParam: 1 mute, 0 restore
// A supported device is present but this user may not open it; text: its device node.
inline constexpr uint32_t DeviceNotAccessible = 1085;

// To the recordings browser from its playback graph.
inline constexpr uint32_t GraphNotify = 1120; // wParam: the event code

// Device side.
// To the device target window; wParam: 1 started, 0 stopped.
inline constexpr uint32_t RecordingState = 1078;
// A device has ended. A device model posts it to the HID manager (wParam: the device
// handle) and to its owner (wParam 0); that device object then posts it to CMainDlg
// (wParam: the object).
inline constexpr uint32_t DeviceEnded = 1281;

// Skinned mouse buttons report press and release to their parent.
inline constexpr uint32_t ButtonPressed = 0x500;
inline constexpr uint32_t ButtonReleased = 0x501;

} // namespace vorlane::msg

// The HID manager's operations and the messages of a device model's window (1303 to 1373);
// the ranges the device objects' routines look at.
namespace vorlane::devmsg {
inline constexpr uint32_t ManagerOpen = 1304;  // to the manager: wParam owner window, lParam mask
inline constexpr uint32_t SetOwner = 1305;     // wParam: the window that gets notifications
inline constexpr uint32_t ManagerClose = 1306; // to the manager: wParam handle or 0
inline constexpr uint32_t TypeCode = 1307;     // result: the 16-bit type code
inline constexpr uint32_t UsbWaveNames = 1308; // wParam/lParam: std::string* for output/input
inline constexpr uint32_t HardwareId = 1309;   // wParam: std::string*
inline constexpr uint32_t Nothing = 1310;
inline constexpr uint32_t SetLed = 1326;      // wParam: on or off
inline constexpr uint32_t PulseLed = 1327;    // wParam: on or off, lParam: ms
inline constexpr uint32_t Switch = 1328;      // wParam: on or off (BlinkLed where not taken)
inline constexpr uint32_t WriteUserId = 1358; // wParam: parameter, lParam: const std::string*
inline constexpr uint32_t ReadUserId = 1359;  // wParam: parameter, lParam: std::string*

// The messages whose wParam or lParam points into the sender's memory, which the device
// reads or writes: whoever passes one on waits for the answer, however long it takes.
// Every message of that sort is listed here.
inline constexpr uint32_t CallerBufferMessages[] = {UsbWaveNames, HardwareId, WriteUserId,
                                                    ReadUserId};
constexpr bool CarriesCallerBuffer(uint32_t m) {
    for (uint32_t b : CallerBufferMessages)
        if (b == m)
            return true;
    return false;
}

// Notifications that routines receive (1078 among them).
inline constexpr uint32_t RoutineUserFirst = 1072;
inline constexpr uint32_t RoutineUserLast = 1079;
inline constexpr uint32_t RoutineReservedFirst = 1280;
inline constexpr uint32_t RoutineReservedLast = 1302;
} // namespace vorlane::devmsg

// Command ids carried by msg::Command in wParam.
namespace vorlane::cmd {
inline constexpr uint32_t Exit = 2;
inline constexpr uint32_t RecordStart = 1016;
inline constexpr uint32_t RecordStop = 1017;
inline constexpr uint32_t RecordDivide = 1018;
inline constexpr uint32_t RecordPause = 1019;
inline constexpr uint32_t ShowPanel = 32778;
inline constexpr uint32_t About = 32781;
inline constexpr uint32_t MenuExit = 32782;
// Tray menu: wait hidden for the next task; show the task list.
inline constexpr uint32_t EnterScheduler = 32783;
inline constexpr uint32_t ShowTaskList = 32784;
} // namespace vorlane::cmd

// Fixed timer ids, per window.
namespace vorlane::timer {
inline constexpr uint32_t DevicePoll = 0x10000;
inline constexpr uint32_t Connect = 0x10001;
inline constexpr uint32_t BrowserProgress = 0x10002;
inline constexpr uint32_t RecordingClock = 0x10003;
inline constexpr uint32_t SchedulerCheck = 0x10004;
inline constexpr uint32_t WaveInputWatch = 0x10005;
inline constexpr uint32_t TaskRunner = 0x10006; // starts and stops the tasks' recordings
} // namespace vorlane::timer
