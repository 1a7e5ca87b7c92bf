// The preset document as far as the window needs it today: whether it is
// bound to a file, its path and its modified flag. Reading and writing preset
// files joins this class later; until then opening a file only binds the
// document to its path. User-interface thread only.
#pragma once

#include <string>

class CTamselDoc {
public:
    virtual ~CTamselDoc() = default;

    // A new, unnamed preset: not bound to a file, not modified.
    void OnNewDocument() {
        m_strPathName.clear();
        m_bHasFile = false;
        m_bModified = false;
    }
    // Returns whether the file's contents were loaded; the preset reader does
    // not exist yet, so nothing is loaded.
    bool OnOpenDocument(const std::string& /*path*/) { return false; }

    // Binds the document to a file (it now counts as read from or written to it).
    void SetPathName(const std::string& path) {
        m_strPathName = path;
        m_bHasFile = !path.empty();
    }
    const std::string& GetPathName() const { return m_strPathName; }
    bool HasFile() const { return m_bHasFile; }

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

private:
    std::string m_strPathName;
    bool m_bHasFile = false;
    bool m_bModified = false;
};
