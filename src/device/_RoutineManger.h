#pragma once

// The routines of a device object: the list in activation order, the current routine,
// and the first say on every message of the object's window.
//
// Thread contract: the device thread.

#include "device/RegisterWindowMessage.h"
#include "device/_Base_Routine.h"
#include "platform/Messages.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace vorlane {

template <class T> class _RoutineManger {
public:
    using Routine = _Base_Routine<T>;

    _RoutineManger() : freeRoutineMessage_(RegisterWindowMessage("_uMsgFreeRoutine_")) {}
    virtual ~_RoutineManger() { FreeAll(); }

    void Activate(std::unique_ptr<Routine> routine) {
        Routine* r = routine.get();
        routines_.push_back(std::move(routine));
        current_ = lastActivated_ = r;
        r->Enter();
    }

    void FreeAll() {
        deletions_.clear();
        routines_.clear();
        current_ = lastActivated_ = nullptr;
    }

    // Puts a routine on the deletion list; the registered message deletes it.
    void ScheduleFree(std::unique_ptr<Routine> routine) {
        deletions_.push_back(std::move(routine));
    }

    bool ProcessRoutineMessages(const Message& m, intptr_t& result) {
        if (m.msg == freeRoutineMessage_) {
            auto* r = reinterpret_cast<Routine*>(m.wParam);
            deletions_.erase(std::remove_if(deletions_.begin(), deletions_.end(),
                                            [r](const auto& p) { return p.get() == r; }),
                             deletions_.end());
            result = 0;
            return true;
        }
        if (m.msg == msg::Timer) {
            for (const auto& r : routines_) {
                bool handled = false;
                r->OnTimer(uint32_t(m.wParam), handled);
                if (handled) {
                    result = 0;
                    return true;
                }
            }
            return false;
        }
        return current_ && current_->ProcessWindowMessage(m, result);
    }

    Routine* currentRoutine() const { return current_; }
    Routine* lastActivatedRoutine() const { return lastActivated_; }
    size_t routineCount() const { return routines_.size(); }
    uint32_t freeRoutineMessage() const { return freeRoutineMessage_; }

private:
    uint32_t freeRoutineMessage_;
    std::vector<std::unique_ptr<Routine>> routines_;
    std::vector<std::unique_ptr<Routine>> deletions_;
    Routine* current_ = nullptr;
    Routine* lastActivated_ = nullptr;
};

} // namespace vorlane
