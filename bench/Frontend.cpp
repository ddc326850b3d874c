#include "Frontend.hpp"

#include <stdexcept>

namespace bench {

std::filesystem::path quillaneProgram()
{
    return QLN_QUILLANE_PROGRAM;
}

ScriptFrontend::ScriptFrontend(
    const std::filesystem::path& quillane, const std::filesystem::path& device)
{
    m_process = std::make_unique<ChildProcess>(
        std::vector<std::string> { quillane.string(), "script", "--root", device.string() });
}

std::string ScriptFrontend::send(const std::string& event)
{
    m_process->writeLine(event);
    return m_process->readLine();
}

WebFrontend::WebFrontend(const std::filesystem::path& quillane, const std::filesystem::path& device)
{
    m_process = std::make_unique<ChildProcess>(std::vector<std::string> {
        quillane.string(), "serve", "--root", device.string(), "--port", "0" });
    // "Quillane settings: http://127.0.0.1:PORT/?token=SECRET"
    std::string line = m_process->readLine();
    auto colon = line.rfind(':');
    auto token = line.find("?token=");
    if (colon == std::string::npos || token == std::string::npos)
        throw std::runtime_error("the server printed no address: " + line);
    m_port = std::stoi(line.substr(colon + 1));
    m_token = line.substr(token + 7);
    m_client = std::make_unique<HttpClient>(m_port, m_token);
}

std::string WebFrontend::send(const std::string& event)
{
    return m_client->post("/api/event", event).body;
}

} // namespace bench
