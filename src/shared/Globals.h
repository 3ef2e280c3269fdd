// Globals<T>: the one record of type T for a module, built on first use so that file-scope
// objects of the application may use the library before main. Never destroyed, so it also
// outlives every static destructor that might still reach it at exit.
#pragma once

template <typename T>
class Globals {
public:
    // The record, built by the first call from any thread.
    static T* impl() {
        static T* const record = new T();
        return record;
    }
    static void init() { impl(); }
};
