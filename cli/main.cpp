// pixendra-convert: converts images between the formats the editor reads and writes.
#include "catalogue_apply.h"
#include "convert_options.h"
#include "convert_run.h"
#include "convert_stream.h"

#include <QCoreApplication>
#include <QTextStream>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    try {
        QStringList args = app.arguments().mid(1);
        const QList<pixcli::ApplyStep> steps = pixcli::takeApplyOptions(args);
        pixcli::ConvertRequest request = pixcli::parseArguments(args);
        if (request.help) {
            out << pixcli::usageText() << pixcli::applyUsageText();
            return pixcli::kExitOk;
        }
        for (const pixcli::ApplyStep& step : steps) {
            const QString refused = pixcli::checkApplyStep(step);
            if (refused.isEmpty()) continue;
            err << refused << "\n";
            return pixcli::kExitUsage;
        }
        if (!steps.isEmpty())
            request.edit = [steps](pix::PixImage& image) { pixcli::applySteps(image, steps); };
        request.streamed = [prepared =
                                pixcli::prepareSteps(steps)](const pixcli::ConvertRequest& r) {
            return pixcli::convertStreamed(r, prepared);
        };
        return pixcli::runRequest(request, out, err);
    } catch (const pixcli::UsageError& e) {
        err << e.what() << "\n\n" << pixcli::usageText() << pixcli::applyUsageText();
        return pixcli::kExitUsage;
    }
}
