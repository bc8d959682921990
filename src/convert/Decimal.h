// Reading a decimal number the way the C library's atoi and "%d" read one, without their undefined
// behaviour on overflow.
#pragma once

// Skips leading white space, takes an optional '+' or '-', then the decimal digits up to the first other
// byte. Returns false, leaving `value` alone, when no digit follows. A number beyond the range of int gives
// INT_MAX or INT_MIN.
bool ReadDecimal(const char* text, int& value);
