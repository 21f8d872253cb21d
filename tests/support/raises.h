// The message of the exception of class E that an action raises.
#pragma once

#include <functional>
#include <string>

template <class E>
std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const E& e) {
    return e.Message();
  }
  return "<nothing raised>";
}
