// What every harness shares: the input as Qt bytes, and a stop that libFuzzer reports as a
// finding when a parser breaks one of its promises (as a sanitizer stops on memory misuse).
#pragma once

#include <QByteArray>
#include <QCoreApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace vu::fuzz {

// The input without a copy; valid for the one call of LLVMFuzzerTestOneInput.
inline QByteArray bytes(const std::uint8_t* data, std::size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// Stops the run with `what` when `promise` does not hold.
inline void require(bool promise, const char* what)
{
    if (!promise) {
        std::fprintf(stderr, "broken promise: %s\n", what);
        std::abort();
    }
}

}  // namespace vu::fuzz

// Before the first input: an application object for Qt's image plugins, and Qt's warnings about
// damaged input silenced (printing them would cost more than parsing).
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return 0;
}
