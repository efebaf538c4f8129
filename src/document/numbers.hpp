// Number text to values, correctly rounded.
#ifndef MIVKA_DOCUMENT_NUMBERS_HPP
#define MIVKA_DOCUMENT_NUMBERS_HPP

namespace MQO {

// Reads a real number at `first`, with no whitespace skipping: an optional
// sign, digits with an optional fraction or a fraction alone (".5"), a
// trailing point allowed ("1."), then an optional exponent: "e" or "E", an
// optional sign and digits fitting a 32-bit signed integer. An "e" without
// exponent digits makes the whole number fail.
//
// The value is the text's correctly rounded value in the target type. A
// number whose magnitude is too large for the type does not match; one too
// small becomes the nearest representable value (a subnormal or zero).
//
// On a match `first` moves past the number; otherwise it stays where it was.
bool read_real(const char*& first, const char* last, double& value);
bool read_real(const char*& first, const char* last, float& value);

}  // namespace MQO

#endif
