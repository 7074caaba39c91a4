// The gateway's HTTP API, live event stream (Server-Sent Events), metrics and web page.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "gateway/gateway.h"

namespace kestrel::gateway {

class HttpServer {
public:
    explicit HttpServer(Gateway& gateway);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Binds the configured address and port (0: a free one); false when it cannot.
    bool bind();
    int port() const { return port_; }
    // "http://127.0.0.1:PORT/"
    std::string url() const;
    // Serves on a thread of its own until stop().
    void start();
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    Gateway& gateway_;
    int port_ = -1;
    std::thread thread_;
};

}  // namespace kestrel::gateway
