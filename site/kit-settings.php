<?php
// The kit's own settings, kept by the seller (the console never writes this file). Every key may
// be left out; its default then applies. See README.md.
return [
    // Addresses and networks (IPv4 or IPv6, CIDR allowed, e.g. '203.0.113.7' or '2001:db8::/48')
    // that may call actions.php, i.e. manage the products. Everyone else gets 403.
    'actions_allow' => ['127.0.0.1', '::1'],

    // Host names (without port) under which actions.php answers; [] = any. Set it to the name in
    // the console's site URL, e.g. ['shop.example'], so that a web page whose own name was made to
    // point at this server (DNS rebinding) cannot manage the products through your browser.
    'actions_hosts' => [],

    // Folder that holds the product folders; null = this kit folder (product folder "ebook1" is
    // then ebook1/ next to thanks.php). A relative path is taken from this kit folder.
    'archive_root' => null,

    // Wrong thanks links from one address (an IPv6 /64): once it has sent this many within
    // 'thanks_block_minutes' of its first, its further wrong links get 429 until those minutes are
    // over; right links always pass. 0 = no limit.
    'thanks_wrong_tries' => 10,
    'thanks_block_minutes' => 15,

    // Folder of the SQLite database, used when config.php names no MySQL host; null = data/.
    'data_dir' => null,

    // true keeps the MySQL connection open between requests, so that a download costs no new
    // connection. Shared hosts cap the connections per user: leave it off there.
    'db_persistent' => false,
];
