<?php
// The kit's own settings, kept by the seller (the console never writes this file). Every key may
// be left out; its default then applies. See README.md.
return [
    // Addresses and networks (IPv4 or IPv6, CIDR allowed, e.g. '203.0.113.7' or '2001:db8::/48')
    // that may call actions.php, i.e. manage the products. Everyone else gets 403.
    'actions_allow' => ['127.0.0.1', '::1'],

    // Folder that holds the product folders; null = this kit folder (product folder "ebook1" is
    // then ebook1/ next to thanks.php). A relative path is taken from this kit folder.
    'archive_root' => null,

    // Folder of the SQLite database, used when config.php names no MySQL host; null = data/.
    'data_dir' => null,
];
