// An owned VARIANT: cleared when it goes, so strings and interfaces in it are never leaked.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>

class COleVariant {
public:
    COleVariant() { VariantInit(&m_value); }
    explicit COleVariant(short value);               // VT_I2
    explicit COleVariant(long value);                // VT_I4
    explicit COleVariant(unsigned char value);       // VT_UI1
    explicit COleVariant(const std::wstring& text);  // VT_BSTR; VT_ERROR when it cannot be allocated
    explicit COleVariant(const VARIANT& value);      // a copy
    COleVariant(const COleVariant& other) : COleVariant(other.m_value) {}
    COleVariant& operator=(const COleVariant& other);
    ~COleVariant() { VariantClear(&m_value); }

    VARTYPE Type() const { return V_VT(&m_value); }
    // Converts in place; false (and the value unchanged) when the value has no such form.
    bool ChangeType(VARTYPE type);
    // The value in the given form, or the fallback when it has none.
    long AsLong(long fallback = 0) const;
    short AsShort(short fallback = 0) const;
    std::wstring AsString() const;

    const VARIANT& Get() const { return m_value; }
    VARIANT* Receive();

private:
    VARIANT m_value;
};
