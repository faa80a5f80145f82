#!/usr/bin/env bash
# Makes docs/calibration-certificate.png again: page 1 of the certificate of a guided calibration
# run, as the certificate tests write it into the build folder (pdftoppm -png -r 60
# -singlefile), copied into docs/.
#
#   scripts/certificate-picture.sh [BUILD_DIR]     (default build/dev)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
cmake --build "$build" --target certificate_tests
"$build/tests/records/certificate_tests" --gtest_filter='CertificatePdf.pictureOfARealisticCertificate'
cp "$build/docs/calibration-certificate.png" docs/calibration-certificate.png
echo "docs/calibration-certificate.png made again"
