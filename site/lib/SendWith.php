<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/**
 * Who sends an archive's bytes once its ticket has counted the download: PHP itself, which works
 * on every host, or the web server, which reads the file at its own speed and keeps no PHP worker
 * busy for the length of the download.
 */
enum SendWith: string
{
    case Php = 'php';
    // Apache with mod_xsendfile (Debian's libapache2-mod-xsendfile).
    case XSendfile = 'x-sendfile';
    // nginx, through an internal location (site/hosting/nginx.conf).
    case XAccelRedirect = 'x-accel-redirect';
}
