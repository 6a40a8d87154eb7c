// Test helper for the engine's process-wide settings and switches: the guard keeps a
// value's old contents and puts them back when it goes, so a test that ends early on a
// failed ASSERT leaves nothing changed for the next one.
#pragma once

template <typename T>
class ScopedValue {
public:
    // Remembers the value; the test may change it freely.
    explicit ScopedValue(T& place) : place_(place), saved_(place) {}
    // Remembers the value and sets it.
    ScopedValue(T& place, const T& value) : place_(place), saved_(place) { place_ = value; }
    ~ScopedValue() { place_ = saved_; }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

private:
    T& place_;
    T saved_;
};
