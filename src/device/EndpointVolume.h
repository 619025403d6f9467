#pragma once

#include "device/AudioDeviceList.h"
#include "device/AudioMixer.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorlane {

// The recording volume of the connected USB device at its sound card, and the lookups
// of wave and mixer devices by name. Only the three devices without their own gain get a
// card volume; the adapter's volume is applied to the samples by the capture engine.
//
// Thread contract: callable from any thread; uses of the mixer are serialised.
class EndpointVolume {
public:
    // Kinds of capture source, tried in this order; a card's elements are classed by name.
    enum ComponentType : uint32_t {
        Undefined = 0x1000,
        Microphone = 0x1003,
        Line = 0x1002,
        WaveOut = 0x1008,
        Analog = 0x100A,
        Telephone = 0x1006,
    };

    // nullptr: the current list and mixer.
    explicit EndpointVolume(AudioDeviceList* list = nullptr, AudioMixer* mixer = nullptr);

    // The component types set for a device (DeviceTypes::VolumeCardName), in order.
    static std::vector<ComponentType> ComponentOrder(const std::string& deviceName);
    static ComponentType ComponentTypeOf(const std::string& elementName);

    // Sets every capture element of the device's card to recordVolume percent (clamped
    // to 0..100). Always true: a missing card or element leaves things as they are.
    bool SetInputVolume(uint16_t typeCode, int recordVolume);

    // Index of the first device whose name contains (mode 1) or equals (mode 0) the name;
    // -1 when none, or when the name is empty.
    int FindWaveIn(const std::string& name, int mode);
    int FindWaveOut(const std::string& name, int mode);
    int FindMixer(const std::string& name, int mode);
    // The name of a device by index; empty when there is none.
    std::string WaveInName(int index);
    std::string WaveOutName(int index);

    static int Find(const std::vector<AudioDeviceEntry>& devices, const std::string& name,
                    int mode);

private:
    AudioDeviceList& list() const { return list_ ? *list_ : AudioDeviceList::current(); }
    AudioMixer& mixer() const { return mixer_ ? *mixer_ : AudioMixer::current(); }

    AudioDeviceList* list_;
    AudioMixer* mixer_;
};

} // namespace vorlane
