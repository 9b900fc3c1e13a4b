#pragma once

#include <va/va.h>

// The VA-API entry points the video reader uses, looked up at run time so that a machine
// without libva still starts. Any of them may be missing.
struct VaApi {
    void* va = nullptr;
    void* drm = nullptr;
    decltype(&vaInitialize) initialize = nullptr;
    decltype(&vaTerminate) terminate = nullptr;
    decltype(&vaMaxNumProfiles) maxProfiles = nullptr;
    decltype(&vaMaxNumEntrypoints) maxEntrypoints = nullptr;
    decltype(&vaQueryConfigProfiles) queryProfiles = nullptr;
    decltype(&vaQueryConfigEntrypoints) queryEntrypoints = nullptr;
    decltype(&vaSetErrorCallback) setErrorCallback = nullptr;
    decltype(&vaSetInfoCallback) setInfoCallback = nullptr;
    VADisplay (*getDisplayDrm)(int) = nullptr;

    bool usable() const
    {
        return initialize && terminate && maxProfiles && maxEntrypoints && queryProfiles && queryEntrypoints && getDisplayDrm;
    }
};
