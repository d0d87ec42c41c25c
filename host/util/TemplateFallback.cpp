#include "util/TemplateFallback.h"

#include "framework/Resources.h"

CTemplateFallback::CTemplateFallback(UINT dialogId)
{
    HINSTANCE current = ResourceModule();
    HINSTANCE program = GetModuleHandleW(nullptr);
    if (current == program || FindResourceW(current, MAKEINTRESOURCEW(dialogId), MAKEINTRESOURCEW(5)) != nullptr)
        return;
    m_replaced = current;
    SetResourceModule(program);
}

CTemplateFallback::~CTemplateFallback()
{
    if (m_replaced != nullptr)
        SetResourceModule(m_replaced);
}
