#include "framework/OleVariant.h"

COleVariant::COleVariant(short value)
{
    VariantInit(&m_value);
    V_VT(&m_value) = VT_I2;
    V_I2(&m_value) = value;
}

COleVariant::COleVariant(long value)
{
    VariantInit(&m_value);
    V_VT(&m_value) = VT_I4;
    V_I4(&m_value) = value;
}

COleVariant::COleVariant(unsigned char value)
{
    VariantInit(&m_value);
    V_VT(&m_value) = VT_UI1;
    V_UI1(&m_value) = value;
}

COleVariant::COleVariant(const std::wstring& text)
{
    VariantInit(&m_value);
    BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    if (copy == nullptr) {
        V_VT(&m_value) = VT_ERROR;
        V_ERROR(&m_value) = E_OUTOFMEMORY;
        return;
    }
    V_VT(&m_value) = VT_BSTR;
    V_BSTR(&m_value) = copy;
}

COleVariant::COleVariant(const VARIANT& value)
{
    VariantInit(&m_value);
    if (FAILED(VariantCopy(&m_value, const_cast<VARIANT*>(&value)))) {  // copies, never changes it
        V_VT(&m_value) = VT_ERROR;
        V_ERROR(&m_value) = E_OUTOFMEMORY;
    }
}

COleVariant& COleVariant::operator=(const COleVariant& other)
{
    if (this != &other) {
        COleVariant copy(other);
        VariantClear(&m_value);
        m_value = copy.m_value;
        VariantInit(&copy.m_value);  // the copy's contents now belong here
    }
    return *this;
}

bool COleVariant::ChangeType(VARTYPE type)
{
    if (Type() == type)
        return true;
    VARIANT converted;
    VariantInit(&converted);
    if (FAILED(VariantChangeType(&converted, &m_value, 0, type)))
        return false;
    VariantClear(&m_value);
    m_value = converted;
    return true;
}

long COleVariant::AsLong(long fallback) const
{
    COleVariant copy(*this);
    return copy.ChangeType(VT_I4) ? V_I4(&copy.m_value) : fallback;
}

short COleVariant::AsShort(short fallback) const
{
    COleVariant copy(*this);
    return copy.ChangeType(VT_I2) ? V_I2(&copy.m_value) : fallback;
}

std::wstring COleVariant::AsString() const
{
    COleVariant copy(*this);
    if (!copy.ChangeType(VT_BSTR) || V_BSTR(&copy.m_value) == nullptr)
        return std::wstring();
    return std::wstring(V_BSTR(&copy.m_value), SysStringLen(V_BSTR(&copy.m_value)));
}

VARIANT* COleVariant::Receive()
{
    VariantClear(&m_value);
    return &m_value;
}
