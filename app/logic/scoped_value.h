#pragma once
// Sets a variable for the life of a scope and gives it back its value afterwards, also when an
// exception leaves the scope.
#include <utility>

namespace kb {

template <typename T>
class ScopedValue {
  public:
    ScopedValue(T& variable, T value) : variable_(variable), saved_(std::move(variable)) {
        variable_ = std::move(value);
    }
    ~ScopedValue() { variable_ = std::move(saved_); }
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;

  private:
    T& variable_;
    T saved_;
};

}  // namespace kb
