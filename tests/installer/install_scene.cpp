#include "install_scene.h"

#include <openssl/sha.h>

#include <fstream>
#include <iterator>

namespace installer_test {

InstallScene::InstallScene(Route which) : route(which) {
    payload = pack.MakeFolder("Payload");
    if (route == Route::Maker) {
        templateFolder = machine.addMakerHost({}).templateFolder;
    } else {
        templateFolder = machine.addStoreHost({}).templateFolder;
    }
    payloadFile("Storyboards/Panel A.qtpl", "panel a\n");
    payloadFile("Storyboards/Wide/Panel B.qtpl", std::string(70000, 'b'));
    payloadFile("read-me.txt", "hello\n");
    // The user's own file, which the pack does not carry.
    packgate_test::FakeMachine::writeText(templateFolder + "/Mine.qtpl", "my own\n");
}

void InstallScene::payloadFile(const std::string& relative, const std::string& contents) const {
    packgate_test::FakeMachine::writeText(payload + "/" + relative, contents);
}

installer::InstallRequest InstallScene::request(const std::string& version) const {
    installer::InstallRequest request;
    request.pack = {"com.velmora.pack.storyboard", version, "Quillet Storyboard Essentials Pack"};
    request.payloadPath = payload;
    request.destination = templateFolder;
    request.hostTitle = route == Route::Maker ? "Quillet 5 Studio" : "Quillet 5 ( Apple Store )";
    request.hostKind = route == Route::Maker ? "Maker" : "Store";
    request.hostPath = templateFolder;
    request.home = machine.home();
    return request;
}

std::string InstallScene::templateFile(const std::string& relative) const {
    return FileText(templateFolder + "/" + relative);
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Sha256Hex(const std::string& bytes) {
    unsigned char digest[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

}  // namespace installer_test
