#pragma once

namespace kestrom {

// A half-open span of user-perceived characters (grapheme clusters) of an
// expression's text. An empty range marks a position.
struct CharacterRange {
    int lowerBound = 0;
    int upperBound = 0;

    bool isEmpty() const { return lowerBound == upperBound; }
    int count() const { return upperBound - lowerBound; }

    friend bool operator==(const CharacterRange&, const CharacterRange&) = default;
};

} // namespace kestrom
