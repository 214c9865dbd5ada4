#include "upload/upload_config.h"

#include <mutex>

namespace kb {
namespace {

std::mutex configMutex;

UploadConfig& Config() {
    static UploadConfig config;
    return config;
}

}  // namespace

UploadConfig CurrentUploadConfig() {
    std::lock_guard lock(configMutex);
    return Config();
}

void SetUploadConfig(UploadConfig config) {
    std::lock_guard lock(configMutex);
    Config() = std::move(config);
}

}  // namespace kb
