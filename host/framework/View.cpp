#include "framework/View.h"

#include "framework/FrameWnd.h"

void CView::PostNcDestroy()
{
    if (m_pFrame != nullptr)
        m_pFrame->OnViewDestroyed(this);
    delete this;
}
