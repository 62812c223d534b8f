#include "platform/Log.h"

#include <QStringList>

#include <cxxabi.h>
#include <execinfo.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace platform {

namespace {

std::mutex& outputMutex() {
    static std::mutex m;
    return m;
}

void writeLine(const QString& text) {
    QString oneLine = text;
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    const QByteArray bytes = oneLine.toUtf8();
    std::lock_guard lock(outputMutex());
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

// "lib(_ZN3foo3barEv+0x12) [0x...]" -> "foo::bar()"
QString frameName(const char* symbol) {
    QByteArray s(symbol);
    const qsizetype open = s.indexOf('(');
    const qsizetype plus = s.indexOf('+', open);
    if (open < 0 || plus <= open + 1) {
        return QString::fromLocal8Bit(s);
    }
    const QByteArray mangled = s.mid(open + 1, plus - open - 1);
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> demangled(
        abi::__cxa_demangle(mangled.constData(), nullptr, nullptr, &status), &std::free);
    return status == 0 && demangled ? QString::fromUtf8(demangled.get())
                                    : QString::fromLatin1(mangled);
}

} // namespace

void Log::line(const QString& message) {
    writeLine(message);
}

void Log::lineWithCallStack(const QString& message) {
    writeLine(message + QStringLiteral(" | call stack: ") + callStack(2));
}

void Log::fatal(const QString& message) {
    writeLine(QStringLiteral("Fatal error: ") + message);
    std::abort();
}

QString Log::callStack(int skipFrames) {
    void* frames[64];
    const int count = backtrace(frames, 64);
    std::unique_ptr<char*, decltype(&std::free)> symbols(backtrace_symbols(frames, count),
                                                         &std::free);
    QStringList names;
    for (int i = skipFrames; i < count && symbols; ++i) {
        names << frameName(symbols.get()[i]);
    }
    return names.join(QStringLiteral(" < "));
}

} // namespace platform
