#pragma once
// Runs a function when the scope ends, also when an exception leaves it:
//   Finally restore([&] { busy = false; });
#include <utility>

template <class F>
class Finally {
public:
    explicit Finally(F f) : f_(std::move(f)) {}
    ~Finally() { f_(); }
    Finally(const Finally &) = delete;
    Finally &operator=(const Finally &) = delete;

private:
    F f_;
};
