#pragma once
// Result codes, filter states and units of the DirectShow calls the editor
// makes. Codes keep their Windows values, because the editor shows them to the
// user ("Error code 0x80040216: File not found").

#include <cstdint>

namespace lumidex {

// 0 or positive: success; negative: failure.
using HRESULT = int32_t;
// A time or length in seconds.
using REFTIME = double;
// One of the State_ values below.
using OAFilterState = int32_t;

constexpr HRESULT hresult(uint32_t bits) {
    return static_cast<HRESULT>(bits);
}

constexpr HRESULT S_OK = 0;
// GetState: the graph is still on its way to the state it reports.
constexpr HRESULT VFW_S_STATE_INTERMEDIATE = hresult(0x00040237);

constexpr HRESULT E_FAIL = hresult(0x80004005);        // "Unknown error"
constexpr HRESULT E_ABORT = hresult(0x80004004);       // a wait that timed out
constexpr HRESULT E_POINTER = hresult(0x80004003);     // a null result pointer
constexpr HRESULT E_UNEXPECTED = hresult(0x8000FFFF);  // no file rendered yet
constexpr HRESULT E_INVALIDARG = hresult(0x80070057);  // a value out of range
constexpr HRESULT E_ACCESSDENIED = hresult(0x80070005);
constexpr HRESULT VFW_E_NOT_FOUND = hresult(0x80040216);           // "File not found"
constexpr HRESULT VFW_E_NO_AUDIO_HARDWARE = hresult(0x80040256);   // "Audio hardware not found"
constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = hresult(0x80040265);  // "Unsupported format"

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// WaitForCompletion's event: the stream played to its end.
constexpr int32_t EC_COMPLETE = 0x01;

constexpr OAFilterState State_Stopped = 0;
constexpr OAFilterState State_Paused = 1;
constexpr OAFilterState State_Running = 2;

// put_Volume takes hundredths of a decibel from this value (silent) to 0
// (full volume).
constexpr int32_t kVolumeSilent = -10000;
constexpr int32_t kVolumeFull = 0;

}  // namespace lumidex
