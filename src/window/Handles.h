// Owners of the Win32 handles the main window and its helpers create: each closes its handle once, when it
// goes out of scope, however the function that made it ends.
#pragma once

#include <windows.h>
#include <shellapi.h>

template <typename Handle, void (*Close)(Handle)>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(Handle handle = nullptr)
    {
        if (handle_)
            Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

namespace handles {
inline void CloseAccelerators(HACCEL handle)
{
    DestroyAcceleratorTable(handle);
}
inline void CloseIcon(HICON handle)
{
    DestroyIcon(handle);
}
inline void CloseBitmap(HBITMAP handle)
{
    DeleteObject(handle);
}
inline void CloseDrop(HDROP handle)
{
    DragFinish(handle);
}
}  // namespace handles

using AcceleratorHandle = UniqueHandle<HACCEL, handles::CloseAccelerators>;
using IconHandle = UniqueHandle<HICON, handles::CloseIcon>;
using BitmapHandle = UniqueHandle<HBITMAP, handles::CloseBitmap>;
using DropHandle = UniqueHandle<HDROP, handles::CloseDrop>;
