<?php
declare(strict_types=1);

namespace Vantrel\Kit;

/** How a change to the product store ended. */
enum ProductChange
{
    case Done;
    case NameTaken;
    case Missing;
}
