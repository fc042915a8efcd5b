// A project with its pictures inside, as cartonic-render saves, prints and renders it: copied
// alone to another folder, it renders as it did beside its pictures.

#include "model/project_file.h"
#include "support/run_process.h"
#include "support/temp_dir.h"
#include "support/vector_documents.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace cartonic {
namespace {

using test::runProcess;
using test::TempDir;

const std::string kRenderProgram = CARTONIC_RENDER_BIN;
// The most a channel of the copy's picture may differ from the original's, in 1/255.
constexpr int kSameWithin = 3;

int largestChannelGap(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGBA8888);
    const QImage y = b.convertToFormat(QImage::Format_RGBA8888);
    if (x.size() != y.size() || x.isNull()) {
        return 255;
    }
    int most = 0;
    for (int row = 0; row < x.height(); ++row) {
        const uchar* p = x.constScanLine(row);
        const uchar* q = y.constScanLine(row);
        for (qsizetype i = 0; i < x.bytesPerLine(); ++i) {
            most = std::max(most, std::abs(int(p[i]) - int(q[i])));
        }
    }
    return most;
}

TEST(ProjectSharing, APictureSelfContainedProjectRendersTheSameAloneElsewhere) {
    TempDir home, away;
    std::filesystem::create_directory(home.file("art"));
    QImage front(48, 64, QImage::Format_RGB32);
    for (int y = 0; y < front.height(); ++y) {
        for (int x = 0; x < front.width(); ++x) {
            front.setPixel(x, y, qRgb(x * 5, y * 4, (x ^ y) * 8));
        }
    }
    ASSERT_TRUE(front.save(QString::fromStdString(home.file("art/front.png"))));
    ASSERT_TRUE(front.mirrored().save(QString::fromStdString(home.file("art/floor.jpg"))));

    const std::string project = home.file("box.ctn");
    auto r = runProcess(kRenderProgram,
                        {"--face", "front=art/front.png", "--floor", "art/floor.jpg",
                         "--reflection-fade", "0.5", "--embed-pictures", "--save", project},
                        home.path());
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> look = {"--size", "160x120", "--samples", "4", "--yaw", "0.3"};
    const auto render = [&](const std::string& from, const std::string& to) {
        std::vector<std::string> args = {from, "-o", to};
        args.insert(args.end(), look.begin(), look.end());
        return runProcess(kRenderProgram, args);
    };
    r = render(project, home.file("there.png"));
    ASSERT_EQ(r.status, 0) << r.err;

    // Alone, on another path, with nothing of the pictures' folder beside it.
    std::filesystem::copy_file(project, away.file("box.ctn"));
    std::filesystem::remove_all(home.file("art"));
    r = render(away.file("box.ctn"), away.file("alone.png"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << "no picture is missing";
    const QImage there(QString::fromStdString(home.file("there.png")));
    EXPECT_LE(largestChannelGap(QImage(QString::fromStdString(away.file("alone.png"))), there),
              kSameWithin);

    // A batch job takes the pictures from inside too.
    const std::string job = "{\"project\": \"" + away.file("box.ctn") + "\", \"output\": \"" +
                            away.file("batch.png") +
                            "\", \"size\": \"160x120\", \"samples\": 4, \"yaw\": 0.3}\n";
    test::writeBytes(away.file("jobs.jsonl"), {job.begin(), job.end()});
    r = runProcess(kRenderProgram, {"--batch", away.file("jobs.jsonl"), "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_LE(largestChannelGap(QImage(QString::fromStdString(away.file("batch.png"))), there),
              kSameWithin);

    r = runProcess(kRenderProgram, {away.file("box.ctn"), "--print"});
    ASSERT_EQ(r.status, 0) << r.err;
    const QJsonObject extension =
        QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object()["extension"].toObject();
    EXPECT_EQ(extension["reflectionFade"].toDouble(), 0.5);
    EXPECT_TRUE(extension["embedPictures"].toBool());
    const QJsonArray pictures = extension["pictures"].toArray();
    ASSERT_EQ(pictures.size(), 2);
    EXPECT_EQ(pictures[0].toObject()["face"].toString(), "Front");
    EXPECT_EQ(pictures[0].toObject()["name"].toString(), "art/front.png");
    EXPECT_EQ(pictures[1].toObject()["face"].toString(), "Floor");
    EXPECT_EQ(pictures[1].toObject()["sha256"].toString().size(), 64);

    // A damaged copy inside: the rest still loads, and one line says what was dropped.
    std::vector<char> damaged = test::readBytes(away.file("box.ctn"));
    damaged[kProjectFileSize + 100] ^= 1;
    test::writeBytes(away.file("damaged.ctn"), damaged);
    r = render(away.file("damaged.ctn"), away.file("damaged.png"));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("damaged.ctn: dropped 1 part of the project's extension that could not "
                         "be read (a PICT part fails its checksum)\n"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("cannot load picture art/front.png"), std::string::npos) << r.err;

    // Taken out again, into the folder asked for.
    r = runProcess(kRenderProgram, {away.file("box.ctn"), "--extract-pictures", away.file("art"),
                                    "--save", away.file("out.ctn")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(std::filesystem::exists(away.file("art/front.png")));
    EXPECT_TRUE(std::filesystem::exists(away.file("art/floor.jpg")));
}

// A run whose outputs land where it extracts, and a face that is a PDF's page.
TEST(ProjectSharing, ExtractedPicturesAreNeverTheRunsOwnFilesAndAPdfPageTravels) {
    TempDir dir;
    QImage front(8, 6, QImage::Format_RGB32);
    front.fill(Qt::red);
    ASSERT_TRUE(front.save(QString::fromStdString(dir.file("front.png"))));
    const QByteArray pdf = test::colourPagesPdf({Qt::red, Qt::blue});
    test::writeBytes(dir.file("two.pdf"), {pdf.begin(), pdf.end()});
    auto r = runProcess(kRenderProgram,
                        {"--face", "front=front.png", "--face", "back=two.pdf#page=2",
                         "--embed-pictures", "--save", dir.file("p.ctn")},
                        dir.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << "every picture, the page included, is kept inside";

    const std::string d = dir.file("d");
    r = runProcess(kRenderProgram, {dir.file("p.ctn"), "--extract-pictures", d, "-o",
                                    d + "/front.png", "--size", "32x24", "--save", d + "/p.ctn"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(QImage(QString::fromStdString(d + "/front.png")).size(), QSize(32, 24))
        << "the render";
    EXPECT_EQ(QImage(QString::fromStdString(d + "/front-2.png")).pixel(0, 0), qRgb(255, 0, 0))
        << "the extracted picture, beside it";
    EXPECT_EQ(test::readBytes(d + "/two.pdf"), std::vector<char>(pdf.begin(), pdf.end()));
    r = runProcess(kRenderProgram, {d + "/p.ctn", "--print"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("/d/front-2.png\""), std::string::npos);
    EXPECT_NE(r.out.find("/d/two.pdf#page=2\""), std::string::npos);
}

} // namespace
} // namespace cartonic
