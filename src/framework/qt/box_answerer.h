#pragma once

namespace corvane::fw {

// Closes every message box as if the operator pressed its first button, Yes where there is one,
// looking every 100 ms for as long as the program runs: for runs with no operator (the
// screenshot tour, the benchmarks).
void AnswerBoxesAutomatically();

}  // namespace corvane::fw
