#pragma once

#include "platform/MessageWindow.h"

namespace vorlane {

// The small utility window ("_TPUtilWindow") that a device model or a device object takes
// over: while subclassed, every message goes to the subclass first, and what it leaves
// gets the window's own handling (a close destroys the window).
//
// Thread contract: created, subclassed and destroyed on the thread it belongs to.
class TPUtilWindow : public MessageWindow {
public:
    static constexpr const char* ClassName = "_TPUtilWindow";

    class Subclass {
    public:
        virtual ~Subclass() = default;
        virtual bool ProcessWindowMessage(const Message& m, intptr_t& result) = 0;
    };

    ~TPUtilWindow() override;

    void subclass(Subclass* s) { subclass_ = s; }
    void unsubclass() { subclass_ = nullptr; }
    Subclass* subclassed() const { return subclass_; }

protected:
    bool processMessage(const Message& m, intptr_t& result) override;

private:
    Subclass* subclass_ = nullptr;
};

} // namespace vorlane
