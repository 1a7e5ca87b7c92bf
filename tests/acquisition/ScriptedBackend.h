// A capture backend driven by the test: it can fail any start-up step, and
// the test writes frames into the device's ring itself, so chunk timing is
// exactly what the test says.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "acquisition/CaptureDevice.h"

namespace capturetest {

enum class EFailAt { Nothing, Create, Enumerate, Caps, Format, Buffer, Start };

// Shared between the test and the backend the device owns.
struct SScript {
    EFailAt failAt = EFailAt::Nothing;
    std::shared_ptr<CCaptureRing> ring;
    std::atomic<int> starts{0};
    std::atomic<int> stops{0};
    std::atomic<bool> destroyed{false};
};

class CScriptedBackend : public ICaptureBackend {
public:
    explicit CScriptedBackend(std::shared_ptr<SScript> script) : m_script(std::move(script)) {}
    ~CScriptedBackend() override { m_script->destroyed = true; }

    bool Create() override { return m_script->failAt != EFailAt::Create; }
    bool Enumerate() override { return m_script->failAt != EFailAt::Enumerate; }
    bool QueryCaps() override { return m_script->failAt != EFailAt::Caps; }
    bool SupportsFormat() override { return m_script->failAt != EFailAt::Format; }
    bool CreateBuffer(std::shared_ptr<CCaptureRing> ring) override {
        if (m_script->failAt == EFailAt::Buffer) {
            return false;
        }
        m_script->ring = std::move(ring);
        return true;
    }
    bool Start() override {
        ++m_script->starts;
        return m_script->failAt != EFailAt::Start;
    }
    void Stop() override { ++m_script->stops; }
    std::string Name() const override { return "scripted"; }
    std::string Error() const override { return {}; }

private:
    std::shared_ptr<SScript> m_script;
};

} // namespace capturetest
