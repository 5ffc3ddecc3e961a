// Texts of the notification-area icon: the built-in balloons, the tip by key
// count, and bounded copies of texts that come from other processes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace keytool {

constexpr std::uint32_t kBalloonTextCount = 21;
constexpr std::size_t kTipSize = 128;
constexpr std::size_t kInfoSize = 256;
constexpr std::uint32_t kTimeoutFilled = 1000;
constexpr std::uint32_t kTimeoutBalloon = 1003;

// The built-in balloon text number n, or nullptr when there is none.
const char* BalloonText(std::uint32_t number);

// "UsbKey已插入，可以正常使用" while keys are plugged in, else "当前未插入UsbKey".
const char* TipText(std::uint32_t keyCount);

// Copies at most sourceSize bytes of source, up to its first NUL, into a
// destination of destSize bytes, cutting to fit without splitting a GBK
// double-byte character; the copy is always terminated.
// A null or empty source gives an empty text. Answers the bytes copied.
std::size_t CopyBoundedText(char* dest, std::size_t destSize, const void* source,
                            std::size_t sourceSize);

}  // namespace keytool
