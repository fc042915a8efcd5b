// What a user does to a whole project: each operation does all it was asked, or nothing.

#include "image/kept_pictures.h"
#include "model/project_file.h"
#include "operations/project_operations.h"
#include "support/temp_dir.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

namespace cartonic {
namespace {

using test::TempDir;

bool sameRecord(const ProjectData& a, const ProjectData& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string picture(const TempDir& dir, const char* name, QRgb colour, int width = 12,
                    int height = 10) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    const std::string path = dir.file(name);
    EXPECT_TRUE(image.save(QString::fromStdString(path)));
    return path;
}

TEST(ProjectOperations, PresetsAndDielinesChangeAllOrNothing) {
    TempDir dir;
    const std::string kept = dir.file("kept");
    const std::string blocked = picture(dir, "blocked.png", qRgb(1, 2, 3)); // not a folder
    QImage net(120, 100, QImage::Format_RGB32);
    net.fill(qRgb(10, 120, 200));
    const auto cut = [&](const Project& p) {
        return *cutLayout(net.size(), boxSidesOf(p.record), DielineLayout::Cross, 0);
    };
    struct Case {
        const char* name;
        std::function<Status(Project&, const QString& folder)> run;
        std::vector<int> faces; // given pictures
    };
    const Case cases[] = {
        {"hardcover",
         [](Project& p, const QString& f) {
             return applyPreset(p, *findProductPreset("hardcover"), f);
         },
         {Top, Bottom, Left}},
        {"dvd",
         [](Project& p, const QString& f) { return applyPreset(p, *findProductPreset("dvd"), f); },
         {}},
        {"dieline",
         [&](Project& p, const QString& f) {
             return importDieline(p, net, cut(p), BoxSides{2.0, 3.0, 1.0}, f);
         },
         {Top, Bottom, Front, Back, Left, Right}},
    };
    for (const Case& c : cases) {
        Project project;
        project.record.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
        const ProjectData before = project.record;

        // A folder that cannot be made: nothing changes, the box's size included.
        const Status refused = c.run(project, QString::fromStdString(blocked + "/kept"));
        EXPECT_EQ(refused.ok(), c.faces.empty()) << c.name << ": " << refused.message();
        EXPECT_TRUE(c.faces.empty() || sameRecord(project.record, before)) << c.name;

        ASSERT_TRUE(c.run(project, QString::fromStdString(kept))) << c.name;
        EXPECT_NE(project.record.boxWidth, before.boxWidth) << c.name << ": proportioned";
        for (int face = 0; face < kFaceCount; ++face) {
            const bool given = std::find(c.faces.begin(), c.faces.end(), face) != c.faces.end();
            EXPECT_EQ(project.pictures[face].empty(), !given) << c.name << " face " << face;
            if (given) {
                EXPECT_EQ(std::string(pathText(project.record.faceSlots[face].imagePath))
                              .rfind(kept + "/", 0),
                          0u)
                    << c.name;
            }
        }
    }
}

TEST(ProjectOperations, SaveOpenAndPicturesKeepTheProjectWholeOnFailure) {
    TempDir dir;
    std::filesystem::create_directories(dir.file("home/art"));
    std::filesystem::create_directories(dir.file("away"));
    picture(dir, "home/art/front.png", qRgb(200, 0, 0));

    Project project;
    project.path = dir.file("home/p.ctn");
    ASSERT_TRUE(setPicture(project, Front, dir.file("home/art/front.png")));
    setPath(project.record.faceSlots[Front].imagePath, "art/front.png");

    // Failures leave the project as it was.
    const ProjectData before = project.record;
    const std::string tooLong(kPathSize, 'x');
    struct Refusal {
        const char* name;
        Status status;
        Status::Kind kind;
    };
    std::string note;
    const Refusal refusals[] = {
        {"too long a path", setPicture(project, Back, tooLong), Status::Kind::Usage},
        {"missing picture", setPicture(project, Back, dir.file("none.png")),
         Status::Kind::NotFound},
        {"missing project", openProject(project, dir.file("none.ctn"), &note),
         Status::Kind::NotFound},
        {"save into no folder", saveProject(project, dir.file("none/p.ctn"), nullptr),
         Status::Kind::WriteFailed},
    };
    for (const Refusal& r : refusals) {
        EXPECT_EQ(r.status.kind(), r.kind) << r.name << ": " << r.status.message();
    }
    EXPECT_TRUE(sameRecord(project.record, before));
    EXPECT_EQ(project.path, dir.file("home/p.ctn"));

    // Saved elsewhere, a relative picture path is rewritten to reach the same file.
    std::vector<std::string> notes;
    ASSERT_TRUE(saveProject(project, dir.file("away/p.ctn"), &notes));
    EXPECT_EQ(project.path, dir.file("away/p.ctn"));
    EXPECT_EQ(pathText(project.record.faceSlots[Front].imagePath), "../home/art/front.png");

    Project opened;
    ASSERT_TRUE(openProject(opened, dir.file("away/p.ctn"), &note)) << note;
    const PicturesReport report = loadProjectPictures(opened);
    EXPECT_TRUE(report.unloaded.empty());
    EXPECT_EQ(opened.pictures[Front].image.pixel(0, 0), qRgb(200, 0, 0));
}

} // namespace
} // namespace cartonic
