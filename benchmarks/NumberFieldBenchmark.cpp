// What a numeric field of the inspector does with a long expression: read it
// as a number, evaluate it, clamp and format it; and the same behind a key
// press in a real field. Each must stay well under a millisecond.
#include "core/inspector/InspectorAnimations.h"
#include "core/inspector/InspectorNumberTextField.h"

#include <QApplication>
#include <QKeyEvent>

#include <benchmark/benchmark.h>

namespace {

// About 200 characters: functions, powers, nesting and a dozen numbers.
QString longExpression() {
    return QStringLiteral("((12.5 + 7.25) * 3 - sqrt(144) / 4 + 2**5 - (18 % 7) * 1.5 + "
                          "max(3, 9, 27) / min(2, 8) + sin(0) + cos(0) * 10 - abs(-42) + "
                          "floor(7.8) + ceil(2.1) + (1 + 2 + 3 + 4 + 5 + 6 + 7 + 8 + 9) / 3) "
                          "/ 2 + ln(e) * 100");
}

kestrom::NumberFormatter fieldFormatter() {
    kestrom::NumberFormatter formatter;
    formatter.setMinimum(-300);
    formatter.setMaximum(300);
    formatter.setMaximumFractionDigits(2);
    return formatter;
}

void BM_EvaluateLongExpression(benchmark::State& state) {
    const QString text = longExpression();
    const auto formatter = fieldFormatter();
    for (auto _ : state) {
        const auto value = kestrom::InspectorNumberTextField::evaluate(text, formatter);
        if (!value) {
            state.SkipWithError("the expression did not evaluate");
            break;
        }
        benchmark::DoNotOptimize(formatter.string(formatter.clamp(*value)));
    }
}
BENCHMARK(BM_EvaluateLongExpression)->Unit(benchmark::kMicrosecond);

void BM_EvaluatePlainNumber(benchmark::State& state) {
    const QString text = QStringLiteral("1234.5");
    const auto formatter = fieldFormatter();
    for (auto _ : state) {
        benchmark::DoNotOptimize(kestrom::InspectorNumberTextField::evaluate(text, formatter));
    }
}
BENCHMARK(BM_EvaluatePlainNumber)->Unit(benchmark::kMicrosecond);

// One typed character and Return in a field holding the long expression:
// the key handling, the evaluation and the commit of the formatted value.
void BM_KeystrokeAndCommitInField(benchmark::State& state) {
    kestrom::InspectorNumberTextField field;
    field.setFormatter(fieldFormatter());
    field.show();
    field.setFocus();
    const QString text = longExpression();
    for (auto _ : state) {
        state.PauseTiming();
        field.setText(text.chopped(1));
        state.ResumeTiming();
        QKeyEvent last(QEvent::KeyPress, Qt::Key_0, Qt::NoModifier, text.right(1));
        QCoreApplication::sendEvent(&field, &last);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(&field, &enter);
    }
    if (field.text() == text) {
        state.SkipWithError("the field did not commit");
    }
}
BENCHMARK(BM_KeystrokeAndCommitInField)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    kestrom::InspectorAnimations::setTestMode(true);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
