#pragma once

// The base of the device objects' routines: it passes the user notifications (1072 to
// 1079, the recording state among them) to OnUserMessage and leaves 1280 to 1302 alone.
//
// Thread contract: the device thread.

#include "device/_Base_Routine.h"
#include "platform/Messages.h"

namespace vorlane {

template <class T> class _RIVORAZURURU_BaseRoutine : public _Base_Routine<T> {
public:
    explicit _RIVORAZURURU_BaseRoutine(T* owner, std::string name = "_RIVORAZURURU_BaseRoutine")
        : _Base_Routine<T>(owner, std::move(name)) {}

    bool Enter() override { return true; }
    void Leave() override {}
    void OnTimer(uint32_t, bool& handled) override { handled = false; }
    virtual void OnUserMessage(const Message&, bool& handled) { handled = false; }

    bool ProcessWindowMessage(const Message& m, intptr_t& result) override {
        if (m.msg >= devmsg::RoutineReservedFirst && m.msg <= devmsg::RoutineReservedLast)
            return false;
        if (m.msg >= devmsg::RoutineUserFirst && m.msg <= devmsg::RoutineUserLast) {
            bool handled = false;
            OnUserMessage(m, handled);
            if (handled)
                result = 0;
            return handled;
        }
        return false;
    }
};

} // namespace vorlane
