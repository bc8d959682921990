// Owners of the Win32 handles the program and its helpers create: each closes its handle once, when it goes
// out of scope, however the function that made it ends.
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
    // For a call that hands a new handle back through a pointer (CreatePipe, RegOpenKeyExA): whatever was
    // held is closed first.
    Handle* Receive()
    {
        Reset();
        return &handle_;
    }

private:
    Handle handle_ = nullptr;
};

namespace handles {
inline void CloseKernelObject(HANDLE handle)
{
    CloseHandle(handle);
}
inline void CloseKey(HKEY key)
{
    RegCloseKey(key);
}
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

// Pipes, processes, threads, jobs and files; never INVALID_HANDLE_VALUE, which CreateFileA returns for none.
using KernelHandle = UniqueHandle<HANDLE, handles::CloseKernelObject>;
using KeyHandle = UniqueHandle<HKEY, handles::CloseKey>;
using AcceleratorHandle = UniqueHandle<HACCEL, handles::CloseAccelerators>;
using IconHandle = UniqueHandle<HICON, handles::CloseIcon>;
using BitmapHandle = UniqueHandle<HBITMAP, handles::CloseBitmap>;
using DropHandle = UniqueHandle<HDROP, handles::CloseDrop>;
