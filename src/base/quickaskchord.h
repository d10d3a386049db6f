#pragma once

#include <QKeyCombination>

// The global key chord that opens the Quick Ask bar: Command-Shift-K on macOS (which Qt
// calls Control), Super-Shift-K elsewhere. The shell grabs it; onboarding shows it.
namespace QuickAskChord {

constexpr QKeyCombination keys()
{
#ifdef Q_OS_MACOS
    return QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_K);
#else
    return QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_K);
#endif
}

} // namespace QuickAskChord
