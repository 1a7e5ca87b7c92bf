// SPDX-License-Identifier: GPL-3.0-or-later
// Base of every plot and overlay panel: a rectangle in window pixels (origin
// bottom-left, y upward, so top > bottom), the shared run-state store it reads,
// two bitmap fonts, three colours and an optional title.
//
// Font convention: a font is the base of a block of 255 display lists (codes
// 0..254) and its character height in pixels is the list base / 100, so list
// base 1200 is a 12-pixel font. Text placement throughout the plots relies on
// it.
//
// Panels are used on the user-interface thread only, with the OpenGL context
// current for the Draw* calls. The virtual interface is defined inline so that
// layout code and its tests can use panels without OpenGL.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/RunState.h"

struct CSize {
    std::int32_t cx = 0;
    std::int32_t cy = 0;
    bool operator==(const CSize&) const = default;
};

struct CPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    bool operator==(const CPoint&) const = default;
};

struct CRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const CRect&) const = default;
};

class CPanel {
public:
    CPanel() = default;
    virtual ~CPanel() = default;
    CPanel(const CPanel&) = delete;
    CPanel& operator=(const CPanel&) = delete;

    // Places the panel with its top-left corner at (x, y) and returns its width
    // and height. The base places nothing.
    virtual CSize Layout(std::int32_t x, std::int32_t y) {
        (void)x;
        (void)y;
        return {};
    }
    // Draws the panel with the geometry of the last Layout. The base draws
    // nothing.
    virtual void Draw() {}

    // Containers override these to forward to the panels they hold. They may
    // be called before the first Layout.
    virtual void SetRunState(CRunState* runState) { m_pRunState = runState; }
    virtual void SetFonts(std::int32_t titleFont, std::int32_t labelFont) {
        m_nTitleFont = titleFont;
        m_nLabelFont = labelFont;
    }
    // Colours as red, green, blue floats 0..1: background, foreground, border.
    virtual void SetColours(float backR, float backG, float backB, float foreR, float foreG,
                            float foreB, float borderR, float borderG, float borderB) {
        m_clrBack = {backR, backG, backB};
        m_clrFore = {foreR, foreG, foreB};
        m_clrBorder = {borderR, borderG, borderB};
    }

    void SetTitle(std::string title) { m_strTitle = std::move(title); }
    void SetTitleAnchor(std::int32_t x, std::int32_t y) { m_ptTitle = {x, y}; }

    CPoint GetOrigin() const { return m_ptOrigin; }
    CSize GetSize() const { return m_size; }
    const CRect& GetFrame() const { return m_rcFrame; }
    CRunState* GetRunState() const { return m_pRunState; }
    std::int32_t GetTitleFont() const { return m_nTitleFont; }
    std::int32_t GetLabelFont() const { return m_nLabelFont; }
    const SColour& GetBackColour() const { return m_clrBack; }
    const SColour& GetForeColour() const { return m_clrFore; }
    const SColour& GetBorderColour() const { return m_clrBorder; }
    const std::string& GetTitle() const { return m_strTitle; }
    CPoint GetTitleAnchor() const { return m_ptTitle; }

    // Fills m_rcFrame with the background colour, then DrawFrame around it.
    void DrawBackground();
    // A one-pixel foreground outline on the rectangle with a border-coloured
    // line one pixel outside it.
    void DrawFrame(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
    void DrawFrame(const CRect& rc) { DrawFrame(rc.left, rc.top, rc.right, rc.bottom); }
    // The title in the foreground colour with the title font, its baseline at
    // the anchor's y and roughly centred on its x (a character is taken as half
    // as wide as high): x = anchor.x - (h * n) / 4.
    void DrawTitle();

protected:
    // Sets the origin (the frame's top-left corner), the frame and the size.
    void PlaceFrame(const CRect& frame) {
        m_ptOrigin = {frame.left, frame.top};
        m_rcFrame = frame;
        m_size = {frame.right - frame.left, frame.top - frame.bottom};
    }
    // The frame of a plot `rows` pixels high below (x, y): room above for the
    // title, below for a row of axis labels.
    void PlacePlotFrame(std::int32_t x, std::int32_t y, std::int32_t right, std::int32_t rows) {
        PlaceFrame({x, y, right, y - rows - m_nTitleFont / 100 - m_nLabelFont / 25 - 3});
    }

    CPoint m_ptOrigin;
    CSize m_size;
    CRect m_rcFrame;
    CRunState* m_pRunState = nullptr;
    std::int32_t m_nTitleFont = 0;
    std::int32_t m_nLabelFont = 0;
    SColour m_clrBack;
    SColour m_clrFore;
    SColour m_clrBorder;
    CPoint m_ptTitle;
    std::string m_strTitle;
};

// A panel drawn together with parts of its own (axes, meters, strips): the
// parts take its run state, fonts and colours. The parts are members of the
// derived panel; only their addresses are kept, which is safe because panels
// are never copied or moved.
class CCompositePanel : public CPanel {
public:
    void SetRunState(CRunState* runState) override;
    void SetFonts(std::int32_t titleFont, std::int32_t labelFont) override;
    void SetColours(float backR, float backG, float backB, float foreR, float foreG, float foreB,
                    float borderR, float borderG, float borderB) override;

protected:
    explicit CCompositePanel(std::initializer_list<CPanel*> parts) : m_parts(parts) {}

private:
    std::vector<CPanel*> m_parts;
};
