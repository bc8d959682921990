// The byte string: copy on write over a malloc'ed header followed by the bytes. Allocation failures leave
// the string as it was, so an append that cannot get memory loses only what it was asked to add.
#include "ByteString.h"

#include <cstdlib>
#include <cstring>

namespace {

struct EmptyStorage {
    int references;
    int length;
    int capacity;
    char text[1];
};

// Its counter is never looked at: the empty representation is never freed and never written.
EmptyStorage emptyStorage = {1, 0, 0, {0}};

}  // namespace

ByteString::Representation* ByteString::EmptyRep()
{
    return reinterpret_cast<Representation*>(&emptyStorage);
}

ByteString::Representation* ByteString::Allocate(int capacity)
{
    void* memory = std::malloc(sizeof(Representation) + static_cast<size_t>(capacity) + 1);
    if (!memory)
        return nullptr;
    Representation* rep = static_cast<Representation*>(memory);
    rep->references = 1;
    rep->length = 0;
    rep->capacity = capacity;
    reinterpret_cast<char*>(rep + 1)[0] = '\0';
    return rep;
}

ByteString::ByteString() : data_(reinterpret_cast<char*>(EmptyRep() + 1)) {}

ByteString::ByteString(const char* text) : ByteString()
{
    if (text)
        Assign(text, static_cast<int>(std::strlen(text)));
}

ByteString::ByteString(const char* bytes, int count) : ByteString()
{
    if (bytes && count > 0)
        Assign(bytes, count);
}

ByteString::ByteString(const ByteString& other) : data_(other.data_)
{
    if (Rep() != EmptyRep())
        ++Rep()->references;
}

ByteString::ByteString(ByteString&& other) noexcept : data_(other.data_)
{
    other.data_ = reinterpret_cast<char*>(EmptyRep() + 1);
}

ByteString::~ByteString()
{
    Release();
}

ByteString& ByteString::operator=(const ByteString& other)
{
    if (data_ != other.data_) {
        Release();
        data_ = other.data_;
        if (Rep() != EmptyRep())
            ++Rep()->references;
    }
    return *this;
}

ByteString& ByteString::operator=(ByteString&& other) noexcept
{
    if (this != &other) {
        Release();
        data_ = other.data_;
        other.data_ = reinterpret_cast<char*>(EmptyRep() + 1);
    }
    return *this;
}

ByteString& ByteString::operator=(const char* text)
{
    // The text may lie inside this string's own bytes: copy before letting go of them.
    ByteString copy(text);
    return *this = static_cast<ByteString&&>(copy);
}

void ByteString::Release()
{
    Representation* rep = Rep();
    if (rep != EmptyRep() && --rep->references == 0)
        std::free(rep);
    data_ = reinterpret_cast<char*>(EmptyRep() + 1);
}

void ByteString::Empty()
{
    Release();
}

void ByteString::MakeUnique(int capacity)
{
    Representation* rep = Rep();
    if (rep != EmptyRep() && rep->references == 1 && rep->capacity >= capacity)
        return;
    Representation* fresh = Allocate(capacity);
    if (!fresh)
        return;
    char* text = reinterpret_cast<char*>(fresh + 1);
    int keep = rep->length < capacity ? rep->length : capacity;
    std::memcpy(text, data_, static_cast<size_t>(keep));
    text[keep] = '\0';
    fresh->length = keep;
    Release();
    data_ = text;
}

void ByteString::Assign(const char* bytes, int count)
{
    ByteString fresh;
    fresh.Append(bytes, count);
    *this = static_cast<ByteString&&>(fresh);
}

void ByteString::Append(const char* bytes, int count)
{
    if (!bytes || count <= 0)
        return;
    int length = Length();
    if (count > 0x7FFFFFF0 - length)
        return;
    int needed = length + count;
    Representation* rep = Rep();
    if (rep == EmptyRep() || rep->references > 1 || rep->capacity < needed) {
        // Grow by half again, so that appending chunk after chunk stays linear.
        int capacity = needed;
        if (rep != EmptyRep() && needed < 0x7FFFFFF0 - needed / 2)
            capacity = needed + needed / 2;
        Representation* fresh = Allocate(capacity);
        if (!fresh)
            return;
        char* text = reinterpret_cast<char*>(fresh + 1);
        std::memcpy(text, data_, static_cast<size_t>(length));
        std::memcpy(text + length, bytes, static_cast<size_t>(count));
        fresh->length = needed;
        text[needed] = '\0';
        Release();
        data_ = text;
        return;
    }
    // Unshared and large enough; `bytes` may lie inside this string, memmove copes.
    std::memmove(data_ + length, bytes, static_cast<size_t>(count));
    rep->length = needed;
    data_[needed] = '\0';
}

void ByteString::Append(const char* text)
{
    if (text)
        Append(text, static_cast<int>(std::strlen(text)));
}

void ByteString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void ByteString::FormatV(const char* format, va_list args)
{
    char buffer[FormatLimit + 1];
    int length = FormatBytes(buffer, sizeof buffer, format, args);
    Assign(buffer, length);
}

int ByteString::Find(const char* text, int start) const
{
    if (!text || start < 0 || start > Length())
        return -1;
    size_t textLength = std::strlen(text);
    for (int i = start; data_[i] != '\0'; i = NextCharOffset932(data_, i)) {
        if (std::strncmp(data_ + i, text, textLength) == 0)
            return i;
    }
    // An empty text matches at the end of the walk as well.
    return textLength == 0 ? start : -1;
}

int ByteString::ReverseFind(char c) const
{
    int found = -1;
    for (int i = 0; data_[i] != '\0'; i = NextCharOffset932(data_, i)) {
        if (data_[i] == c)
            found = i;
    }
    return found;
}

ByteString ByteString::Left(int count) const
{
    if (count <= 0)
        return ByteString();
    if (count >= Length())
        return *this;
    return ByteString(data_, count);
}

ByteString ByteString::Mid(int first) const
{
    return Mid(first, Length());
}

ByteString ByteString::Mid(int first, int count) const
{
    if (first < 0)
        first = 0;
    if (first >= Length() || count <= 0)
        return ByteString();
    if (count > Length() - first)
        count = Length() - first;
    if (first == 0 && count == Length())
        return *this;
    return ByteString(data_ + first, count);
}

char* ByteString::GetBuffer(int minLength)
{
    if (minLength < Length())
        minLength = Length();
    MakeUnique(minLength);
    if (Rep() == EmptyRep() || Rep()->references > 1 || Rep()->capacity < minLength)
        return nullptr;  // no memory
    return data_;
}

void ByteString::ReleaseBuffer(int newLength)
{
    Representation* rep = Rep();
    if (rep == EmptyRep())
        return;
    if (newLength < 0)
        newLength = static_cast<int>(strnlen(data_, static_cast<size_t>(rep->capacity)));
    if (newLength > rep->capacity)
        newLength = rep->capacity;
    rep->length = newLength;
    data_[newLength] = '\0';
    if (newLength == 0)
        Release();
}

bool operator==(const ByteString& a, const ByteString& b)
{
    return a.Length() == b.Length() && std::memcmp(a.c_str(), b.c_str(), static_cast<size_t>(a.Length())) == 0;
}

bool operator==(const ByteString& a, const char* b)
{
    size_t length = b ? std::strlen(b) : 0;
    return static_cast<size_t>(a.Length()) == length && std::memcmp(a.c_str(), b ? b : "", length) == 0;
}
