#include "tmx_engine/IndexWorkerThread.h"

#include <windows.h>

bool IndexWorkerThread::start(std::function<void()> body) {
    join();
    auto owned = std::make_unique<std::function<void()>>(std::move(body));
    HANDLE handle = CreateThread(nullptr, kStackBytes, &IndexWorkerThread::entry, owned.get(),
                                 STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!handle)
        return false;
    handle_.reset(handle);
    body_ = std::move(owned);
    return true;
}

void IndexWorkerThread::join() {
    if (!handle_)
        return;
    WaitForSingleObject(handle_.get(), INFINITE);
    handle_.reset();
    body_.reset();
}

unsigned long __stdcall IndexWorkerThread::entry(void* body) {
    (*static_cast<std::function<void()>*>(body))();
    return 0;
}
