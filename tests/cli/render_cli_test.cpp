// End-to-end tests of the built cartonic-render binary.

#include "model/project_file.h"
#include "support/run_process.h"
#include "support/temp_dir.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace cartonic {
namespace {

using test::runProcess;
using test::TempDir;

const std::string kBin = CARTONIC_RENDER_BIN;

QJsonObject printed(const std::vector<std::string>& args) {
    std::vector<std::string> all = args;
    all.push_back("--print");
    const auto r = runProcess(kBin, all);
    EXPECT_EQ(r.status, 0) << r.err;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(r.out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << r.out;
    return doc.object();
}

TEST(RenderCli, SavesTheStartUpProject) {
    TempDir dir;
    const std::string out = dir.file("x.ctn");
    const auto r = runProcess(kBin, {"--save", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(test::readBytes(out).size(), 4424u);

    ProjectData loaded;
    ASSERT_TRUE(loadProject(loaded, out));
    EXPECT_EQ(loaded.boxWidth, 2.5f);
    EXPECT_EQ(loaded.boxDepth, 1.25f);
    EXPECT_EQ(loaded.boxHeight, 5.0f);
    EXPECT_EQ(loaded.faceSlots[Top].vertices[0].z, 2.0f);
}

TEST(RenderCli, PrintsEveryFieldUnderItsName) {
    const QJsonObject json = printed({});
    EXPECT_EQ(json.size(), 35);
    EXPECT_EQ(json["boxWidth"].toDouble(), 2.5);
    EXPECT_FLOAT_EQ(json["lightPosition"].toArray()[0].toDouble(), 1.3250064f);
    EXPECT_EQ(json["floorImagePath"].toString(), "");
    const QJsonArray faceSlots = json["faceSlots"].toArray();
    ASSERT_EQ(faceSlots.size(), 7);
    const QJsonObject front = faceSlots[Front].toObject();
    EXPECT_EQ(front.size(), 18);
    EXPECT_EQ(front["faceIndex"].toInt(), 2);
    EXPECT_EQ(front["reservedBlock"].toArray().size(), 64);
    EXPECT_EQ(front["vertices"].toArray().size(), 4);
    EXPECT_EQ(front["vertices"].toArray()[3].toObject()["z"].toDouble(), 2.0);
    EXPECT_EQ(front["diffuseColor"].toArray().size(), 4);
    EXPECT_EQ(front["normal"].toArray()[1].toDouble(), -1.0);
}

TEST(RenderCli, BoxOptionChangesTheProjectAndSurvivesASave) {
    TempDir dir;
    EXPECT_EQ(printed({"--box", "3,4,6"})["boxDepth"].toDouble(), 4.0);

    const std::string saved = dir.file("box.ctn");
    ASSERT_EQ(runProcess(kBin, {"--box", "3,4,6", "--save", saved}).status, 0);
    const QJsonObject reread = printed({saved});
    EXPECT_EQ(reread["boxWidth"].toDouble(), 3.0);
    EXPECT_EQ(reread["boxHeight"].toDouble(), 6.0);
}

TEST(RenderCli, ReportsErrorsWithTheirStatus) {
    TempDir dir;
    test::writeBytes(dir.file("bad.ctn"), {'n', 'o', 'p', 'e', '!'});

    auto r = runProcess(kBin, {dir.file("bad.ctn"), "--print"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("bad.ctn"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("not a Cartonic project"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");

    r = runProcess(kBin, {dir.file("missing.ctn")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.ctn"), std::string::npos);

    r = runProcess(kBin, {"--save", dir.file("no/such/dir/out.ctn")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("out.ctn"), std::string::npos);

    r = runProcess(kBin, {"--box", "1,2"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("--box"), std::string::npos);

    r = runProcess(kBin, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("--print"), std::string::npos);
}

} // namespace
} // namespace cartonic
