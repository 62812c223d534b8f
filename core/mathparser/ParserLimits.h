#pragma once

namespace kestrom {

// Bounds that keep hostile or accidental input from exhausting the stack or
// the processor. They lie far beyond anything typed into a numeric field.
struct ParserLimits {
    // Characters of one expression text.
    static constexpr int maximumLength = 4096;
    // Nesting of groups and calls, and the depth of a parsed tree.
    static constexpr int maximumDepth = 512;
    // Nested evaluation steps, substitutions included.
    static constexpr int maximumEvaluationDepth = 1024;
};

} // namespace kestrom
