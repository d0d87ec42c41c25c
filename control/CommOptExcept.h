// The refusal of a protocol option: thrown by value from the CCommOptionsObj constructors. Its code
// is what the control's Add methods return to their caller (an OptionRefusal code).
#pragma once

#include <cstdint>

class CCommOptExcept {
public:
    explicit CCommOptExcept(std::int32_t refusalCode) : code(refusalCode) {}
    virtual ~CCommOptExcept() = default;

    std::int32_t code;
};
