// The x87 control word and MXCSR, which code of another maker may change and
// not put back. Taken once, before any such code loads, and put back after it has run.
#pragma once

void SaveFloatingPointControl() noexcept;
// The settings as saved, with an empty x87 stack.
void RestoreFloatingPointControl() noexcept;
// The same for code built with another maker's compiler, right before it runs:
// the settings it was written for.
void FloatingPointControlForForeignCode() noexcept;
