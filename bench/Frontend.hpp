#pragma once

#include "ChildProcess.hpp"
#include "HttpClient.hpp"

#include <filesystem>
#include <memory>
#include <string>

namespace bench {

// One way of driving the host with protocol events: `quillane script` over a pipe, or
// `quillane serve` over HTTP. Both answer the screen of each event.
class Frontend {
public:
    virtual ~Frontend() = default;
    virtual std::string send(const std::string& event) = 0;
    ChildProcess& process() { return *m_process; }

protected:
    std::unique_ptr<ChildProcess> m_process;
};

class ScriptFrontend final : public Frontend {
public:
    ScriptFrontend(const std::filesystem::path& quillane, const std::filesystem::path& device);
    std::string send(const std::string& event) override;
};

class WebFrontend final : public Frontend {
public:
    WebFrontend(const std::filesystem::path& quillane, const std::filesystem::path& device);
    std::string send(const std::string& event) override;
    HttpClient& client() { return *m_client; }
    int port() const { return m_port; }
    const std::string& token() const { return m_token; }

private:
    int m_port { 0 };
    std::string m_token;
    std::unique_ptr<HttpClient> m_client;
};

// The path of the built `quillane` program.
std::filesystem::path quillaneProgram();

} // namespace bench
