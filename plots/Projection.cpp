// SPDX-License-Identifier: GPL-3.0-or-later
#include "plots/Projection.h"

#include <GL/gl.h>

void CProjection::Apply() const {
    glViewport(m_rcViewport.x, m_rcViewport.y, m_rcViewport.width, m_rcViewport.height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    const auto& b = m_dBounds;
    if (m_nKind == kPerspective)
        glFrustum(b[0], b[1], b[2], b[3], b[4], b[5]);
    else
        glOrtho(b[0], b[1], b[2], b[3], b[4], b[5]);
    glMatrixMode(GL_MODELVIEW);
    glTranslated(m_dTranslate[0], m_dTranslate[1], m_dTranslate[2]);
    glScaled(m_dScale[0], m_dScale[1], m_dScale[2]);
    glRotated(m_dRotate[0], 1.0, 0.0, 0.0);
    glRotated(m_dRotate[1], 0.0, 1.0, 0.0);
    glRotated(m_dRotate[2], 0.0, 0.0, 1.0);
    if (m_nRenderMode == kRenderFlat) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glDisable(GL_DEPTH_TEST);
    } else if (m_nRenderMode == kRenderDepth) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glEnable(GL_DEPTH_TEST);
    }
    glDisable(GL_LINE_SMOOTH);
}
