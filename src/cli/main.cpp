// cartonic-render: the command-line shell over the core libraries, for scripts and servers
// without a display.

#include "cli/project_json.h"
#include "cli/render_options.h"
#include "model/project_file.h"
#include "model/slot_images.h"

#include <cstdio>
#include <iostream>

using namespace cartonic;

namespace {

int fail(const std::string& message) {
    std::cerr << "cartonic-render: " << message << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const ParseResult parsed = parseRenderOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (!parsed.error.empty()) {
        std::cerr << "cartonic-render: " << parsed.error << "\nTry 'cartonic-render --help'.\n";
        return 2;
    }
    const RenderOptions& options = parsed.options;
    if (options.help) {
        std::cout << renderUsage();
        return 0;
    }

    ProjectData& data = projectData();
    // As the application has it once its view exists.
    data.setDimensions(kStartBoxWidth, kStartBoxDepth, kStartBoxHeight);
    if (options.project) {
        std::string why;
        if (!loadProject(data, *options.project, &why)) {
            return fail(*options.project + ": " + why);
        }
    }
    if (options.box) {
        data.setDimensions((*options.box)[0], (*options.box)[1], (*options.box)[2]);
    }
    if (options.save) {
        std::string why;
        if (!saveProject(data, *options.save, &why)) {
            return fail(*options.save + ": " + why);
        }
    }
    if (options.print) {
        std::cout << projectToJson(data);
    }
    if (options.output) {
        return fail("rendering is not available in this build yet");
    }
    return 0;
}
