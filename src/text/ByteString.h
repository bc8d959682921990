// ByteString: a string of bytes in the system's ANSI code page (932), always followed by a NUL that is
// not part of its length. Copies share one reference-counted representation until one of them writes
// (copy on write), and every empty string shares one static representation, so passing strings by value
// costs a counter. The program runs on one thread; the counter is not atomic.
#pragma once

#include <cstdarg>
#include <cstddef>

// Code page 932 lead bytes: a byte in these ranges starts a double-byte character.
inline bool IsLeadByte932(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The offset of the character after the one at `offset` in the NUL-terminated `text`: a lead byte takes the
// byte after it along, whatever that byte is, unless it is the terminating NUL.
inline int NextCharOffset932(const char* text, int offset)
{
    if (IsLeadByte932(static_cast<unsigned char>(text[offset])) && text[offset + 1] != '\0')
        return offset + 2;
    return offset + 1;
}

class ByteString {
public:
    // The most bytes that Format produces, as the platform formatter cuts its output.
    static constexpr int FormatLimit = 1023;

    ByteString();
    ByteString(const char* text);  // NOLINT: implicit, as a literal is a string
    ByteString(const char* bytes, int count);
    ByteString(const ByteString& other);
    ByteString(ByteString&& other) noexcept;
    ~ByteString();
    ByteString& operator=(const ByteString& other);
    ByteString& operator=(ByteString&& other) noexcept;
    ByteString& operator=(const char* text);

    int Length() const { return Rep()->length; }
    bool IsEmpty() const { return Length() == 0; }
    const char* c_str() const { return data_; }
    char operator[](int index) const { return data_[index]; }

    void Empty();
    // Appends `count` bytes; NUL bytes among them are kept.
    void Append(const char* bytes, int count);
    void Append(const char* text);
    void Append(const ByteString& other) { Append(other.c_str(), other.Length()); }
    ByteString& operator+=(const ByteString& other) { Append(other); return *this; }
    ByteString& operator+=(const char* text) { Append(text); return *this; }

    // Replaces the contents with the formatted text. The conversions are those of the platform's wvsprintfA
    // (%s, %d, %i, %u, %x, %X, %c and %%, with flags, width and precision) and the result is cut after
    // FormatLimit bytes, as wvsprintfA cuts it.
    void Format(const char* format, ...);
    void FormatV(const char* format, va_list args);

    // The byte offset of the first occurrence of `text` at or after `start`, or -1. The search walks the
    // string character by character in code page 932, so a match never begins on a trail byte, and it
    // stops at the first NUL byte, as the platform's string functions do. `start` must begin a character.
    int Find(const char* text, int start = 0) const;
    // The byte offset of the last character `c` (a single-byte character), walking the same way, or -1.
    int ReverseFind(char c) const;

    // The first `count` bytes: empty for a negative count, everything for a count beyond the length.
    ByteString Left(int count) const;
    // The bytes from `first` to the end, or `count` of them; both clipped to the string.
    ByteString Mid(int first) const;
    ByteString Mid(int first, int count) const;

    // A writable buffer of at least `minLength` bytes plus the NUL, owned by this string alone (for
    // CreateProcessA and GetWindowTextA). ReleaseBuffer ends the writing: the length becomes `newLength`,
    // or the length up to the first NUL when it is -1.
    char* GetBuffer(int minLength);
    void ReleaseBuffer(int newLength = -1);

    friend ByteString operator+(ByteString a, const ByteString& b) { a.Append(b); return a; }
    friend bool operator==(const ByteString& a, const ByteString& b);
    friend bool operator==(const ByteString& a, const char* b);
    friend bool operator!=(const ByteString& a, const ByteString& b) { return !(a == b); }
    friend bool operator!=(const ByteString& a, const char* b) { return !(a == b); }

private:
    struct Representation {
        int references;
        int length;
        int capacity;  // bytes available for text, not counting the NUL
        // the bytes follow the header
    };

    static Representation* EmptyRep();
    static Representation* Allocate(int capacity);
    Representation* Rep() const { return reinterpret_cast<Representation*>(data_) - 1; }
    void Release();
    // Makes this string the only owner of a representation that holds at least `capacity` bytes.
    void MakeUnique(int capacity);
    void Assign(const char* bytes, int count);

    char* data_;
};

// The formatter behind ByteString::Format: writes at most `size` - 1 bytes and a NUL into `out` and returns the
// number of bytes written, like wvsprintfA into a buffer of `size` bytes.
int FormatBytes(char* out, int size, const char* format, va_list args);
